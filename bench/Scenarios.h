// What the benchmark times: the bare scan loop with no window, and the library
// window's scan as Refresh starts it.
#pragma once

#include <string>

namespace bench {

struct Timing {
  double wallMs = 0;
  double cpuMs = 0;  // user and kernel time of the whole process meanwhile
  int listed = 0;
};

// The scan unit over `folder` with a sink that only counts: the disk and
// version work of a scan and nothing of a window.
Timing BareLoop(const std::string& folder);

// One Refresh of a freshly shown window with an empty list.
Timing WindowScan(const std::string& folder);

struct StopResult {
  bool clicked = false;            // false if the scan ended before the count reached the mark
  double clickToReturnMs = 0;      // the click posted to Stop until the scan returned
  double clickToHandledMs = 0;     // the click posted until the dialog had handled it
  double clickToDialogGoneMs = 0;  // the click posted until the dialog's window was destroyed
  double clickToPaintedMs = 0;     // the click posted until the window had painted what followed
  int countWhenClicked = 0;        // the count label's number when the click was posted
  int rows = 0;                    // rows listed when the scan had returned
  int lastCaptionCount = 0;        // the count label's last caption before the dialog went
};

// A scan stopped by a click posted to Stop once the count label reads at
// least `stopAt` files.
StopResult StoppedScan(const std::string& folder, int stopAt);

struct AnswerResult {
  double longestMs = 0;  // the slowest round trip of a message sent to the window
  int probes = 0;
  int rows = 0;
};

// A full scan while a second thread sends the window a message every 10 ms.
AnswerResult ProbedScan(const std::string& folder);

struct RefreshResult {
  double intoEmptyMs = 0;  // the first scan of a fresh window
  double replacingMs = 0;  // the next Refresh, which first drops those rows
  int rows = 0;
};
RefreshResult RefreshOverFullList(const std::string& folder);

struct MemoryResult {
  long long privateGrowth = 0;
  long long pagefileGrowth = 0;
  int rows = 0;
};
// Measured in a fresh process so that no earlier run's freed memory is
// reused: over a scan of the shown window, or (`bare`) over the bare loop
// beside the same shown window, which is what the platform's reading costs.
MemoryResult MemoryPerRowInChild(const std::string& folder, bool bare);
// The child's side: scans, then writes its numbers to `resultFile`.
int RunMemoryChild(const std::string& folder, const std::string& resultFile, bool bare);

}  // namespace bench
