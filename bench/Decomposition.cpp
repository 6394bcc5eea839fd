#include "Decomposition.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "BareLoops.h"
#include "ChildProcesses.h"
#include "Measure.h"
#include "Notes.h"
#include "Scenarios.h"

namespace bench {

void PrintDecomposition(const std::string& folder, int rounds, bool busyCore) {
  std::unique_ptr<BusyCore> busy;
  if (busyCore) busy = std::make_unique<BusyCore>();
  const int threads = DefaultReaders();
  std::vector<double> threadedOverBare, scanOverThreaded, scanOverBare;
  for (int round = 0; round <= rounds; ++round) {  // the first round warms up
    double ms[3] = {};
    for (int turn = 0; turn < 3; ++turn) {
      const int run = (turn + round) % 3;
      Settle();  // the same quiet before each, as in the rounds of the folders
      if (run == 0) ms[run] = BareLoopOf(folder, threads).wallMs;
      if (run == 1) ms[run] = BareLoopOnOwnThread(folder, threads).wallMs;
      if (run == 2) ms[run] = WindowScan(folder).wallMs;
    }
    Note(
        Format("  decomposition %d: bare (%d threads) %.1f ms, walked on a thread %.1f ms, "
               "scan %.1f ms",
               round, threads, ms[0], ms[1], ms[2]));
    if (round == 0) continue;
    threadedOverBare.push_back(ms[1] / ms[0]);
    scanOverThreaded.push_back(ms[2] / ms[1]);
    scanOverBare.push_back(ms[2] / ms[0]);
  }
  std::printf(
      "- Scan / bare loop of %d threads over %s, %d rounds%s: %s; that loop walked from a thread "
      "of its own / walked from the calling thread %s; scan / that loop walked from a thread of "
      "its own %s\n",
      threads, folder.c_str(), rounds, busyCore ? ", the other core kept busy" : "",
      WithRange(SpreadOf(scanOverBare), 3).c_str(),
      WithRange(SpreadOf(threadedOverBare), 3).c_str(),
      WithRange(SpreadOf(scanOverThreaded), 3).c_str());
}

void PrintCourse(const std::string& folder, int rounds, bool busyCore) {
  std::unique_ptr<BusyCore> busy;
  if (busyCore) busy = std::make_unique<BusyCore>();
  std::vector<double> ratios[4], bareQuarterMs[4];
  for (int round = 0; round <= rounds; ++round) {  // the first round warms up
    Course course[2];
    for (int turn = 0; turn < 2; ++turn) {
      const int onOwnThread = (turn + round) % 2;
      course[onOwnThread] = BareLoopCourse(folder, onOwnThread == 1);
    }
    const double* bare = course[0].quarterMs;
    const double* threaded = course[1].quarterMs;
    Note(Format("  course %d: bare %.1f %.1f %.1f %.1f ms, on a thread %.1f %.1f %.1f %.1f ms",
                round, bare[0], bare[1], bare[2], bare[3], threaded[0], threaded[1], threaded[2],
                threaded[3]));
    for (int onOwnThread = 0; onOwnThread < 2; ++onOwnThread) {
      std::string stalls;
      for (const auto& [row, gap] : course[onOwnThread].stalls) {
        stalls += Format(" %d:%.0f", row, gap);
      }
      Note(Format("    %s: first row after %.1f ms; waits of 20 ms or more before rows:%s",
                  onOwnThread ? "on a thread" : "bare", course[onOwnThread].firstRowMs,
                  stalls.c_str()));
    }
    if (round == 0) continue;
    for (int quarter = 0; quarter < 4; ++quarter) {
      const double before = quarter == 0 ? 0 : bare[quarter - 1];
      const double threadedBefore = quarter == 0 ? 0 : threaded[quarter - 1];
      if (bare[quarter] <= before) continue;  // fewer than four rows: no such quarter
      bareQuarterMs[quarter].push_back(bare[quarter] - before);
      ratios[quarter].push_back((threaded[quarter] - threadedBefore) / (bare[quarter] - before));
    }
  }
  std::printf(
      "- One-thread bare loop on a thread of its own / on the calling thread over %s, %d "
      "rounds%s, quarter by quarter of the rows:",
      folder.c_str(), rounds, busyCore ? ", the other core kept busy" : "");
  for (int quarter = 0; quarter < 4; ++quarter) {
    std::printf("%s", quarter == 0 ? "" : ";");
    if (ratios[quarter].empty()) {
      std::printf(" no rows");
      continue;
    }
    std::printf(" %s (bare %s ms)", WithRange(SpreadOf(ratios[quarter]), 3).c_str(),
                WithRange(SpreadOf(bareQuarterMs[quarter]), 1).c_str());
  }
  std::printf("\n");
}

}  // namespace bench
