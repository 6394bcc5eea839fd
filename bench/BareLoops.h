// The loops the window's scan is measured against: the scan's own reading
// of a folder with no window, each row counted and dropped.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Measure.h"

namespace bench {

// The scan unit with one reader over `folder` (the walking thread reads each
// entry itself) and a sink that only counts: the disk and version work of a
// one-thread scan and nothing of a window.
Timing BareLoop(const std::string& folder);

// The same reading on `threads` threads, with no order kept and no window:
// the calling thread walks the folder and appends every entry the scan would
// read to one list, while `threads` threads, started after the folder's first
// entry is found as the scan starts its readers, each take the next entry
// through one shared index, read it with the scan's reader's calls and count
// its row. The walk, the threads' start and their join are all timed.
Timing SharedIndexLoop(const std::string& folder, int threads);

// BareLoop for one thread, SharedIndexLoop for more.
Timing BareLoopOf(const std::string& folder, int threads);

// That loop walked from a thread of its own, made as the window's reading
// thread is, while the calling thread waits: what walking off the calling
// thread costs by itself, with no window at all.
Timing BareLoopOnOwnThread(const std::string& folder, int threads);

// When each quarter of the one-thread bare loop's rows was in, after the
// loop began.
struct Course {
  double quarterMs[4] = {};
  int listed = 0;
  double firstRowMs = 0;
  std::vector<std::pair<int, double>> stalls;  // row and the wait before it, if 20 ms or more
};

// The one-thread bare loop, on the calling thread or on a thread of its own
// while the calling thread waits, timed row by row: where in a scan reading
// off the calling thread loses its time.
Course BareLoopCourse(const std::string& folder, bool onOwnThread);

}  // namespace bench
