// Everything the report gives for one folder: the window's scan against the
// bare loops in alternating rounds, Stop, the window's answers and the
// memory per row.
#pragma once

#include <string>

#include "ChildProcesses.h"
#include "Goals.h"
#include "Measure.h"
#include "Scenarios.h"

namespace bench {

struct FolderPlan {
  std::string label;
  std::string path;
  int rounds = kFewestRounds;
};

struct FolderReport {
  FolderPlan plan;
  int entries = 0;
  int rows = 0;
  int readers = 0;  // the window scan's readers, and the threads of the same-threads loop
  Spread bareMs, sameMs, scanMs;  // one-thread bare loop, same-threads bare loop, window scan
  Spread ratio, sameRatio;        // scan / one-thread bare, scan / same-threads bare
  Spread bareCpuMs, sameCpuMs, scanCpuMs;
  Spread cpuRatio, sameCpuRatio;
  Spread stopMs;
  double stopMaximumMs = 0;
  double stopHandledMs = 0;     // of that, until the dialog had handled the click (median)
  double stopDialogGoneMs = 0;  // and until the dialog's window was destroyed (median)
  Spread stopPaintedMs;         // the click until the window had painted what followed
  int stops = 0;
  double longestAnswerMs = 0;
  int probes = 0;
  double bytesPerRow = 0;           // in a process that has scanned before
  double firstScanBytesPerRow = 0;  // the process's first scan
  double bareBytesPerRow = 0;       // the one-thread bare loop's growth per row it found
  long long memoryGrowth = 0;       // over the window's scan, and its rows
  int memoryRows = 0;
};

FolderReport MeasureFolder(const FolderPlan& plan);

// Where the longest and the slow answers of a probed scan fell.
std::string WhenSlow(const AnswerResult& answer);

// The growth of the process that counts on this platform.
long long GrowthOf(const MemoryResult& memory);

}  // namespace bench
