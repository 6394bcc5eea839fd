// What the benchmark times: the bare scan loop with no window, and the library
// window's scan as Refresh starts it.
#pragma once

#include "Owned.h"

#include <string>
#include <utility>
#include <vector>

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

// The bare loop on a thread of its own while the calling thread waits for
// it, as the window's reading thread runs: what reading off the calling
// thread costs by itself, with no window at all.
Timing ThreadedBareLoop(const std::string& folder);

// When each quarter of the bare loop's rows was in, after the loop began.
struct Course {
  double quarterMs[4] = {};
  int listed = 0;
  double firstRowMs = 0;
  std::vector<std::pair<int, double>> stalls;  // row and the wait before it, if 20 ms or more
};

// The bare loop, on the calling thread or on a thread of its own while the
// calling thread waits, timed row by row: where in a scan reading off the
// calling thread loses its time.
Course BareLoopCourse(const std::string& folder, bool onOwnThread);

// While it lives, a child process spins on the machine's other core, so
// that no thread the reading calls on ever waits for an idle core to wake.
class BusyCore {
 public:
  BusyCore();
  BusyCore(const BusyCore&) = delete;
  BusyCore& operator=(const BusyCore&) = delete;
  ~BusyCore();

 private:
  libinfo::UniqueHandle spinner_;
};

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

// Answers slower than this are kept with the time they were sent.
constexpr double kSlowAnswerMs = 25;

struct SlowAnswer {
  double sentMs = 0;  // after the probing began
  double tookMs = 0;
};

struct AnswerResult {
  double longestMs = 0;      // the slowest round trip of a message sent to the window
  double longestSentMs = 0;  // when it was sent, after the probing began
  int probes = 0;
  int rows = 0;
  double scanStartMs = 0;        // Refresh pressed, after the probing began
  double scanEndMs = 0;          // and returned
  std::vector<SlowAnswer> slow;  // the first few, in the order sent
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
  long long committedGrowth = 0;
  int rows = 0;
};
// What is measured: a scan of the shown window, or the bare loop beside the
// same shown window (what the platform's reading keeps).
enum class MemoryOf { Scan, BareLoop };
// A process's first scan grows it by what the platform then keeps for every
// later scan (most of it appears while the dialog is first painted);
// `afterFirstScan` has an empty folder scanned before measuring, so that
// only what this scan adds is counted.
struct MemoryPlan {
  MemoryOf what = MemoryOf::Scan;
  bool afterFirstScan = true;
};
// Measured in a fresh process so that no earlier run's freed memory is reused.
MemoryResult MemoryPerRowInChild(const std::string& folder, MemoryPlan plan);
// The child's side: when the command line asks for a child, scans, writes
// its numbers to the result file and returns the exit code; otherwise -1.
int RunMemoryChildIfAsked(int argc, char** argv);
// The same for the spinning child of BusyCore: spins until its parent has gone.
int RunSpinnerIfAsked(int argc, char** argv);

}  // namespace bench
