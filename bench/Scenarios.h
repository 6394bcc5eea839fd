// What the benchmark times: the bare loop over the version API, and the
// library window's scan as Refresh starts it.
#pragma once

#include <string>

namespace bench {

struct LoopResult {
  double ms = 0;
  int listed = 0;
};

// The calls the scan makes, in its order, with no window: enumerate, size
// query, read, and the four values of every file that has version data.
LoopResult BareLoop(const std::string& folder);

// One Refresh of a freshly shown window with an empty list.
LoopResult WindowScan(const std::string& folder);

struct StopResult {
  double pressToHandledMs = 0;  // the click posted until the dialog has handled it
  double handledToEndMs = 0;    // the click handled until the scan has returned
  int rows = 0;                 // rows listed when the scan ended
  int listedWhenHandled = 0;    // the count shown when the click was handled
  // Where the time after the click goes: until the dialog's destruction
  // begins, and the destruction itself.
  double handledToDestroyMs = 0;
  double destroyMs = 0;
};

// A scan stopped by a click on Stop posted once `stopAt` files are listed.
StopResult StoppedScan(const std::string& folder, int stopAt);

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
// Measured in a fresh process so that no earlier run's freed memory is reused.
MemoryResult MemoryPerRowInChild(const std::string& folder);
// The child's side: scans, then writes its numbers to `resultFile`.
int RunMemoryChild(const std::string& folder, const std::string& resultFile);

}  // namespace bench
