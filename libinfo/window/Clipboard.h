// Text to the clipboard.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace libinfo {

// Puts the text on the clipboard as Unicode and as ANSI text. False, with the
// clipboard untouched, when another program holds it.
[[nodiscard]] bool PutTextOnClipboard(HWND owner, const std::string& ansi);

}  // namespace libinfo
