// Where the window's scan spends its time beyond the bare loops.
#pragma once

#include <string>

namespace bench {

// Rounds of the bare loop with as many threads as the scan has readers,
// walked from the calling thread, the same loop walked from a thread of its
// own, and the window's scan, in an order that turns each round so that
// none is always first; prints a Markdown line: scan / bare split into
// walking off the calling thread and the window's own share.
void PrintDecomposition(const std::string& folder, int rounds, bool busyCore);

// Quarter by quarter of the rows, the one-thread bare loop on a thread of its
// own against the same loop on the calling thread, in rounds that turn
// which goes first: whether reading off the calling thread costs evenly
// over a scan or only while the new thread settles in.
void PrintCourse(const std::string& folder, int rounds, bool busyCore);

}  // namespace bench
