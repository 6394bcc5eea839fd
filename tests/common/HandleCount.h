// The handles this process holds, for checks that nothing is left behind.
// Wine reports no handle count, so the handle values are probed one by one.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace libinfo::testing {

inline std::vector<std::uintptr_t> OpenHandleValues() {
  constexpr std::uintptr_t kHighestProbed = 0x10000;
  std::vector<std::uintptr_t> open;
  for (std::uintptr_t value = 4; value <= kHighestProbed; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) open.push_back(value);
  }
  return open;
}

// The count the platform reports, else the number of values probed open.
inline DWORD OpenHandleCount(const std::vector<std::uintptr_t>& probed) {
  DWORD count = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count) return count;
  return static_cast<DWORD>(probed.size());
}

// NtQueryObject answers with a UNICODE_STRING at the start of the buffer,
// for the type and for the name alike.
inline std::string ObjectText(HANDLE handle, int infoClass) {
  using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  struct Text {
    USHORT length, maximum;
    wchar_t* buffer;
  };
  alignas(Text) char buffer[2048] = {};
  if (!query || query(handle, infoClass, buffer, sizeof buffer, nullptr) < 0) return "?";
  const auto* text = reinterpret_cast<const Text*>(buffer);
  if (!text->buffer) return "";
  std::string narrow;
  for (USHORT i = 0; i < text->length / 2; ++i) narrow += static_cast<char>(text->buffer[i]);
  return narrow;
}

// The handles open in `after` but not in `before` (both sorted), each with
// its kind and name where the platform tells them: what a leak report needs
// to be acted on.
inline std::string DescribeNewHandles(const std::vector<std::uintptr_t>& before,
                                      const std::vector<std::uintptr_t>& after) {
  constexpr int kTypeInformation = 2;
  constexpr int kNameInformation = 1;
  std::string report;
  for (const std::uintptr_t value : after) {
    if (std::binary_search(before.begin(), before.end(), value)) continue;
    const auto handle = reinterpret_cast<HANDLE>(value);
    char line[64];
    std::snprintf(line, sizeof line, "\n  handle 0x%llx: ", static_cast<unsigned long long>(value));
    report += line + ObjectText(handle, kTypeInformation) + " \"" +
              ObjectText(handle, kNameInformation) + "\"";
  }
  return report.empty() ? "\n  (no new handle values: the count alone moved)" : report;
}

}  // namespace libinfo::testing
