// The platform's version library, taken from the system directory by its
// full path when it is first needed.
//
// The plug-in does not import it: a host that loads plug-ins with their own
// folder first in the search path would then bind whatever "version.dll"
// lies beside the plug-in. The library is never freed: the module's
// unloading runs under the loader lock, where freeing another is unsafe, and
// a system library held loaded costs the host nothing.
#pragma once

#include <windows.h>

namespace libinfo {

struct VersionFunctions {
  decltype(&::GetFileVersionInfoSizeA) infoSize = nullptr;
  decltype(&::GetFileVersionInfoA) info = nullptr;
  decltype(&::VerQueryValueA) queryValue = nullptr;

  [[nodiscard]] bool Loaded() const noexcept { return infoSize && info && queryValue; }
};

// The functions of the system directory's version library; none of them
// when it cannot be loaded, and then no file has version data.
[[nodiscard]] const VersionFunctions& VersionLibrary() noexcept;

}  // namespace libinfo
