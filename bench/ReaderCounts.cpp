#include "ReaderCounts.h"

#include <algorithm>
#include <cstdio>

#include "BareLoops.h"
#include "Goals.h"
#include "Measure.h"
#include "Notes.h"
#include "Scenarios.h"

namespace bench {
namespace {

std::vector<int> Counts() {
  std::vector<int> counts = {1, 2, 4};
  if (std::find(counts.begin(), counts.end(), DefaultReaders()) == counts.end()) {
    counts.push_back(DefaultReaders());
    std::sort(counts.begin(), counts.end());
  }
  return counts;
}

struct CountSamples {
  std::vector<double> scanMs, ratio;
};

struct FolderSamples {
  std::vector<double> bareMs;
  std::vector<CountSamples> byCount;
};

// One round: the bare loop is run 0, the counts follow; the first to run
// turns with the round.
void TakeRound(const ReaderCountPlan& plan, const std::vector<int>& counts, int round,
               FolderSamples& samples) {
  const int runs = static_cast<int>(counts.size()) + 1;
  std::vector<Timing> timings(runs);
  for (int turn = 0; turn < runs; ++turn) {
    const int run = (turn + round) % runs;
    Settle();  // the same quiet before each, as in the rounds of the folders
    timings[run] = run == 0 ? BareLoop(plan.path) : WindowScan(plan.path, counts[run - 1]);
  }
  std::string line =
      Format("  %s readers %d: bare %.1f ms", plan.label.c_str(), round, timings[0].wallMs);
  for (int run = 1; run < runs; ++run) {
    line += Format(", %d: %.1f ms (%.3f)", counts[run - 1], timings[run].wallMs,
                   timings[run].wallMs / timings[0].wallMs);
    if (timings[run].listed != timings[0].listed) {
      Fault(Format("%s: the loop found %d files, the window with %d readers listed %d",
                   plan.label.c_str(), timings[0].listed, counts[run - 1], timings[run].listed));
    }
  }
  Note(line + (round == 0 ? " (warm-up)" : ""));
  if (round == 0) return;
  samples.bareMs.push_back(timings[0].wallMs);
  for (int run = 1; run < runs; ++run) {
    samples.byCount[run - 1].scanMs.push_back(timings[run].wallMs);
    samples.byCount[run - 1].ratio.push_back(timings[run].wallMs / timings[0].wallMs);
  }
}

std::string Goal(int count, const Spread& ratio, int rounds) {
  if (count != DefaultReaders()) return "";
  return Format("at most %.2f (the window's own count): %s", kOneThreadGoal,
                JudgedVerdict(ratio.median <= kOneThreadGoal, rounds >= kFewestRounds));
}

}  // namespace

void PrintReaderCounts(const std::vector<ReaderCountPlan>& plans) {
  if (plans.empty()) return;
  const std::vector<int> counts = Counts();
  std::printf(
      "\nThe window's scan by its number of readers against the one-thread bare loop, "
      "medians of the rounds, interquartile range in brackets.\n\n"
      "| Directory | Rounds | Readers | Bare loop, one thread ms | Scan ms | Scan / one-thread "
      "bare | Goal |\n"
      "|---|---:|---:|---:|---:|---:|---|\n");
  for (const ReaderCountPlan& plan : plans) {
    Note(Format("%s: scans with 1 to %d readers, %s", plan.label.c_str(), counts.back(),
                plan.path.c_str()));
    FolderSamples samples;
    samples.byCount.resize(counts.size());
    for (int round = 0; round <= plan.rounds; ++round) TakeRound(plan, counts, round, samples);
    const std::string bare = WithRange(SpreadOf(samples.bareMs), 1);
    for (size_t at = 0; at < counts.size(); ++at) {
      const Spread ratio = SpreadOf(samples.byCount[at].ratio);
      std::printf("| %s | %d | %d | %s | %s | %s | %s |\n", plan.label.c_str(), plan.rounds,
                  counts[at], bare.c_str(),
                  WithRange(SpreadOf(samples.byCount[at].scanMs), 1).c_str(),
                  WithRange(ratio, 3).c_str(), Goal(counts[at], ratio, plan.rounds).c_str());
    }
  }
  std::printf("\n");
}

}  // namespace bench
