// What the benchmark measures in processes of its own: the memory a scan
// takes, in a fresh process, and a spinning process that keeps the other
// core busy.
#pragma once

#include <string>

#include "Owned.h"

namespace bench {

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

struct MemoryResult {
  long long privateGrowth = 0;
  long long pagefileGrowth = 0;
  long long committedGrowth = 0;
  int rows = 0;
};
// What is measured: a scan of the shown window (with the window's own
// readers), or the one-thread bare loop beside the same shown window (what
// the platform's reading keeps).
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
