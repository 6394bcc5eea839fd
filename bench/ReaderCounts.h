// The window's scan with several reader counts against the one-thread bare
// loop: what each further reader gains.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ReaderCountPlan {
  std::string label;
  std::string path;
  int rounds = 0;
};

// For each folder, one warm-up round and then `rounds` rounds of the
// one-thread bare loop and the window's scan with 1, 2 and 4 readers (and
// the window's own count where that is none of these), in an order that
// turns each round; prints a Markdown table of each count's scan / bare.
void PrintReaderCounts(const std::vector<ReaderCountPlan>& plans);

}  // namespace bench
