// Which module's class procedure runs a control: user32.dll for the
// standard controls of a host without visual styles, comctl32.dll where the
// common controls of version 6 make them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace testing_windows {

inline std::string ControlModule(HWND control) {
  const auto procedure = ::GetClassLongPtrW(control, GCLP_WNDPROC);
  HMODULE module = nullptr;
  if (!procedure || !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          reinterpret_cast<LPCWSTR>(procedure), &module)) {
    return "<none>";
  }
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(module, path, sizeof path);
  std::string name(path);
  name = name.substr(name.find_last_of('\\') + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

}  // namespace testing_windows
