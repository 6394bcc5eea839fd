// Path helpers shared by the scan and the Properties action.
#pragma once

#include <string>

namespace libinfo {

// Appends ":\" to a lone drive letter and "\" to any other non-empty path
// that does not already end in one.
[[nodiscard]] std::string AddTrailingSeparator(const std::string& folder);

// The Windows system directory: the folder the library window lists.
[[nodiscard]] std::string SystemDirectory();

}  // namespace libinfo
