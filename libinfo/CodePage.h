// Text between the system code page, in which the library keeps its strings,
// and UTF-16, which the shell and the Unicode side of the controls speak.
#pragma once

#include <string>
#include <string_view>

namespace libinfo {

[[nodiscard]] std::wstring WideText(std::string_view ansi);
[[nodiscard]] std::string AnsiText(const wchar_t* wide);

}  // namespace libinfo
