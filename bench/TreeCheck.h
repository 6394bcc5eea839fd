// Cost of the version reader's consistency check against the reading it
// guards, over one folder.
#pragma once

#include <string>

namespace bench {

// Prints a Markdown line: the check's time as a share of reading the folder.
void PrintTreeCheckCost(const std::string& folder, int runs);

}  // namespace bench
