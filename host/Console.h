// Text output for scripts. This is a GUI program, so the C runtime's streams
// are not to be trusted; the standard handles are written directly.
#pragma once

#include <string_view>

namespace plughost {

void WriteOut(std::string_view text) noexcept;
void WriteErr(std::string_view text) noexcept;

}  // namespace plughost
