// Text to the clipboard, and between the system code page and UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace libinfo {

[[nodiscard]] std::wstring WideText(std::string_view ansi);
[[nodiscard]] std::string AnsiText(const wchar_t* wide);

// Puts the text on the clipboard as Unicode and as ANSI text. False, with the
// clipboard untouched, when another program holds it.
[[nodiscard]] bool PutTextOnClipboard(HWND owner, const std::string& ansi);

}  // namespace libinfo
