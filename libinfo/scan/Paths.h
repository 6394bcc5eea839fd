// Path helpers shared by the scan and the Properties action.
#pragma once

#include <windows.h>

#include <string>

namespace libinfo {

// Appends ":\" to a lone drive letter and "\" to any other non-empty path
// that does not already end in one.
[[nodiscard]] std::string AddTrailingSeparator(const std::string& folder);

// How the system directory is asked for: the platform's call unless a test
// needs it to fail.
using SystemDirectoryCall = UINT(WINAPI*)(LPSTR buffer, UINT size);

// The Windows system directory: the folder the library window lists. Empty
// when the call fails or its answer does not fit: then there is no folder to
// list, not the current drive's root.
[[nodiscard]] std::string SystemDirectory(SystemDirectoryCall call = ::GetSystemDirectoryA);

}  // namespace libinfo
