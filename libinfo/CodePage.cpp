#include "CodePage.h"

#include <windows.h>

#include "Failure.h"

namespace libinfo {

std::string AnsiText(const wchar_t* wide) {
  if (!wide || !*wide) return {};
  const int length = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) ThrowLastError("WideCharToMultiByte");
  std::string ansi(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi.data(), length, nullptr, nullptr);
  ansi.pop_back();  // the terminator
  return ansi;
}

std::wstring WideText(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  if (length <= 0) ThrowLastError("MultiByteToWideChar");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
  return wide;
}

}  // namespace libinfo
