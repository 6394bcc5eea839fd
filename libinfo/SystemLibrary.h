// Libraries the plug-in loads itself come from the system directory, by
// their full paths: never from a folder of the search path, where the host's
// or the plug-in's own folder may hold a library of the same name.
#pragma once

#include <windows.h>

namespace libinfo {

// The system directory's `name` ("version.dll"), its own imports also looked
// for there; null where it cannot be loaded.
[[nodiscard]] HMODULE LoadSystemLibrary(const char* name) noexcept;

// A function of `module` by name, as the type it is used as; null where the
// module or the function is missing.
template <typename Function>
[[nodiscard]] Function FunctionOf(HMODULE module, const char* name) noexcept {
  return module
             ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
             : nullptr;
}

}  // namespace libinfo
