// Time to copy every row of a full list to the clipboard.
#pragma once

namespace bench {

// Prints a Markdown line: the median and the spread of `runs` copies of `rows` rows.
void PrintCopyRowsCost(int rows, int runs);

}  // namespace bench
