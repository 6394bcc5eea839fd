// Benchmark of the library window's scan against the same reading with no window.
//
//   libinfo_bench.exe [--dir LABEL FOLDER ROUNDS]... [--readers LABEL FOLDER ROUNDS]...
//                     [--refresh FOLDER PAIRS] [--tree-check FOLDER RUNS]
//                     [--copy-rows ROWS RUNS] [--answers FOLDER RUNS]
//                     [--decompose FOLDER ROUNDS]... [--busy-core] [--course FOLDER ROUNDS]...
//
// --dir times the window's scan, with the window's own number of readers,
// in ROUNDS alternating rounds against two bare loops with no window: the
// one-thread loop (the walking thread reads each entry itself) and a loop
// with as many threads as the scan has readers (the calling thread walks,
// the threads take the entries through one shared index, no order kept).
// A warm-up comes first, which of the three goes first turns with the
// round, and one stopped scan follows each round; then the window's answers
// and its memory per row. --readers times the window's scan with 1, 2 and 4
// readers (and the window's own count where that is none of these) against
// the one-thread loop, in rounds of the same kind. Every
// figure is the median of the per-round samples with the interquartile
// range beside it. The report is Markdown on standard output, the single
// samples go to standard error.
// --decompose splits one folder's scan / same-threads bare into walking off
// the calling thread and the window's own share; --busy-core keeps the other
// core busy meanwhile, which takes the platform's wake-ups of idle cores out
// of it. --course times the one-thread loop's reading off the calling thread
// quarter by quarter of the rows, to tell a cost spread over the scan from
// one at its start.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ChildProcesses.h"
#include "CommittedMemory.h"
#include "CopyRows.h"
#include "Decomposition.h"
#include "FolderMeasure.h"
#include "Goals.h"
#include "Measure.h"
#include "Notes.h"
#include "ReaderCounts.h"
#include "Scenarios.h"
#include "TreeCheck.h"

namespace bench {
namespace {

bool EnoughRounds(const std::vector<FolderReport>& reports) {
  return std::all_of(reports.begin(), reports.end(),
                     [](const FolderReport& r) { return r.plan.rounds >= kFewestRounds; });
}

void PrintTimeTable(const std::vector<FolderReport>& reports) {
  std::printf(
      "Medians of the rounds, interquartile range in brackets. Each round times the window's "
      "scan, the bare loop with one thread and the bare loop with as many threads as the scan "
      "has readers.\n\n"
      "| Directory | Entries | Listed rows | Rounds | Readers | Bare, one thread ms | Bare, "
      "same threads ms | Scan ms | Scan / one-thread bare (goal at most %.2f) | Scan / "
      "same-threads bare (goal at most %.2f) | Scan us per row |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n",
      kOneThreadGoal, kSameThreadsGoal);
  for (const FolderReport& r : reports) {
    std::printf("| %s | %d | %d | %d | %d | %s | %s | %s | %s | %s | %.1f |\n",
                r.plan.label.c_str(), r.entries, r.rows, r.plan.rounds, r.readers,
                WithRange(r.bareMs, 1).c_str(), WithRange(r.sameMs, 1).c_str(),
                WithRange(r.scanMs, 1).c_str(), WithRange(r.ratio, 3).c_str(),
                WithRange(r.sameRatio, 3).c_str(),
                r.rows ? 1000.0 * r.scanMs.median / r.rows : 0.0);
  }
  std::printf("\n");
}

// CPU is the process's user and kernel time over each run.
void PrintCpuTable(const std::vector<FolderReport>& reports) {
  std::printf(
      "| Directory | Bare, one thread CPU ms | Bare, same threads CPU ms | Scan CPU ms | Scan / "
      "one-thread bare CPU | Scan / same-threads bare CPU |\n"
      "|---|---:|---:|---:|---:|---:|\n");
  for (const FolderReport& r : reports) {
    std::printf("| %s | %s | %s | %s | %s | %s |\n", r.plan.label.c_str(),
                WithRange(r.bareCpuMs, 1).c_str(), WithRange(r.sameCpuMs, 1).c_str(),
                WithRange(r.scanCpuMs, 1).c_str(), WithRange(r.cpuRatio, 3).c_str(),
                WithRange(r.sameCpuRatio, 3).c_str());
  }
  std::printf("\n");
}

void PrintWindowTable(const std::vector<FolderReport>& reports) {
  std::printf(
      "| Directory | Stop click to scan returned ms (median [IQR] / max, runs) | Of that, "
      "until the click was handled / the dialog was gone ms (medians) | Stop click to the "
      "window painted ms (median [IQR]) | Longest answer to a sent message during a scan ms "
      "(messages) | Memory growth per row (first scan in a process; bare loop's) |\n"
      "|---|---:|---:|---:|---:|---:|\n");
  for (const FolderReport& r : reports) {
    std::printf("| %s | %s / %.1f, %d | %.1f / %.1f | %s | %.1f (%d) | %.0f B (%.0f B; %.0f B) |\n",
                r.plan.label.c_str(), WithRange(r.stopMs, 1).c_str(), r.stopMaximumMs, r.stops,
                r.stopHandledMs, r.stopDialogGoneMs, WithRange(r.stopPaintedMs, 1).c_str(),
                r.longestAnswerMs, r.probes, r.bytesPerRow, r.firstScanBytesPerRow,
                r.bareBytesPerRow);
  }
  std::printf("\n");
}

void PrintRatioGoals(const std::vector<FolderReport>& reports) {
  std::string oneThread, sameThreads;
  bool oneThreadMet = true, sameThreadsMet = true;
  for (const FolderReport& r : reports) {
    oneThreadMet = oneThreadMet && r.ratio.median <= kOneThreadGoal;
    sameThreadsMet = sameThreadsMet && r.sameRatio.median <= kSameThreadsGoal;
    oneThread += Format("%s %s; ", r.plan.label.c_str(), WithRange(r.ratio, 3).c_str());
    sameThreads += Format("%s %s; ", r.plan.label.c_str(), WithRange(r.sameRatio, 3).c_str());
  }
  const bool judged = EnoughRounds(reports);
  std::printf(
      "- Scan / one-thread bare loop at most %.2f (median of the per-round ratios [IQR]): "
      "%s%s\n",
      kOneThreadGoal, oneThread.c_str(), JudgedVerdict(oneThreadMet, judged));
  std::printf(
      "- Scan / bare loop with as many threads as the scan's readers (%d) at most %.2f: %s%s\n",
      reports.front().readers, kSameThreadsGoal, sameThreads.c_str(),
      JudgedVerdict(sameThreadsMet, judged));
}

void PrintGrowthGoal(const std::vector<FolderReport>& reports) {
  std::map<std::string, const FolderReport*> byLabel;
  for (const FolderReport& r : reports) byLabel[r.plan.label] = &r;
  const auto small = byLabel.find("10000");
  const auto large = byLabel.find("50000");
  if (small == byLabel.end() || large == byLabel.end()) {
    std::printf("- 50,000 / 10,000 scan time: not measured (both folders are needed)\n");
    return;
  }
  const Spread& ten = small->second->scanMs;
  const Spread& fifty = large->second->scanMs;
  const double growth = fifty.median / ten.median;
  // The widest the ratio can be when both scans stay within their middle halves.
  std::printf(
      "- 50,000 / 10,000 scan time %.1f to %.1f: %.2f (from the quartiles %.2f to %.2f; "
      "one-thread bare loop %.2f): %s\n",
      kGrowthLow, kGrowthHigh, growth, fifty.lower / ten.upper, fifty.upper / ten.lower,
      large->second->bareMs.median / small->second->bareMs.median,
      JudgedVerdict(growth >= kGrowthLow && growth <= kGrowthHigh,
                    EnoughRounds({*small->second, *large->second})));
}

void PrintStopGoal(const std::vector<FolderReport>& reports) {
  std::string figures;
  bool met = true;
  for (const FolderReport& r : reports) {
    if (r.stops == 0) continue;
    met = met && r.stopMs.median < kStopMedianGoalMs && r.stopMaximumMs < kStopMaximumGoalMs;
    figures += Format("%s %s / %.1f ms; ", r.plan.label.c_str(), WithRange(r.stopMs, 1).c_str(),
                      r.stopMaximumMs);
  }
  std::printf(
      "- Stop click (posted) to scan returned, median under %.0f ms and maximum under %.0f ms: "
      "%s%s\n",
      kStopMedianGoalMs, kStopMaximumGoalMs, figures.c_str(),
      figures.empty() ? "not measured" : Verdict(met));
}

void PrintAnswerGoal(const std::vector<FolderReport>& reports) {
  std::string figures;
  bool met = true, largest = false;
  for (const FolderReport& r : reports) {
    met = met && r.longestAnswerMs <= kAnswerGoalMs;
    largest = largest || r.plan.label == "50000";
    figures += Format("%s %.1f ms; ", r.plan.label.c_str(), r.longestAnswerMs);
  }
  std::printf("- Window answers a message sent during a scan within %.0f ms, always: %s%s%s\n",
              kAnswerGoalMs, figures.c_str(), Verdict(met),
              largest ? "" : " (the 50,000-entry folder was not in this run)");
}

// The growth over a scan of an empty folder, which every scan costs
// whatever its rows: in a process that has scanned before, and as the
// process's first scan, which also builds what the platform keeps for later.
struct FixedMemory {
  long long everyScan = 0;
  long long firstScan = 0;
};

FixedMemory EmptyScanMemory(const std::string& emptyFolder) {
  return {GrowthOf(MemoryPerRowInChild(emptyFolder, {MemoryOf::Scan, true})),
          GrowthOf(MemoryPerRowInChild(emptyFolder, {MemoryOf::Scan, false}))};
}

void PrintMemoryBeyondFixed(const std::vector<FolderReport>& reports, FixedMemory fixed) {
  std::string figures;
  for (const FolderReport& r : reports) {
    if (r.memoryRows == 0) continue;
    figures += Format("%s %.0f B; ", r.plan.label.c_str(),
                      static_cast<double>(r.memoryGrowth - fixed.everyScan) / r.memoryRows);
  }
  std::printf(
      "- Memory a scan takes whatever its rows (growth over a scan of an empty folder): %.0f KB, "
      "and %.0f KB as the process's first scan; per row beyond it: %s\n",
      static_cast<double>(fixed.everyScan) / 1024, static_cast<double>(fixed.firstScan) / 1024,
      figures.c_str());
}

void PrintMemoryGoal(const std::vector<FolderReport>& reports) {
  std::string figures;
  bool met = true, judged = false;
  for (const FolderReport& r : reports) {
    const bool counted = r.plan.label == "10000" || r.plan.label == "50000";
    if (counted) met = met && r.bytesPerRow <= kBytesPerRowGoal;
    judged = judged || counted;
    figures += Format("%s %.0f B%s; ", r.plan.label.c_str(), r.bytesPerRow,
                      counted ? "" : " (not judged)");
  }
  std::printf(
      "- Memory per listed row at most %.1f KB at 10,000 and 50,000 rows (in a process that has "
      "scanned before): %s%s%s\n",
      kBytesPerRowGoal / 1024, figures.c_str(), judged ? Verdict(met) : "not measured",
      libinfo::support::RunsUnderCpuEmulator()
          ? " (committed private memory: under a CPU emulator the process's usage is mostly the "
            "emulator's)"
          : "");
}

// What a scan costs before and after its rows (the dialog shown and taken
// down, the reading thread and the readers started and ended): the part of
// the scan / bare ratios that does not grow with the folder.
void PrintEmptyScanCost(const EmptyFolder& empty) {
  WindowScan(empty.Path());  // the window classes and fonts, once
  std::vector<double> wallMs, cpuMs;
  for (int run = 0; run < kFewestRounds; ++run) {
    const Timing scan = WindowScan(empty.Path());
    wallMs.push_back(scan.wallMs);
    cpuMs.push_back(scan.cpuMs);
  }
  std::printf(
      "- Scan of an empty folder (the cost that does not grow with the rows): %s ms, "
      "CPU %s ms (%d runs)\n",
      WithRange(SpreadOf(wallMs), 1).c_str(), WithRange(SpreadOf(cpuMs), 1).c_str(), kFewestRounds);
}

void PrintFolders(const std::vector<FolderReport>& reports) {
  if (reports.empty()) return;
  PrintTimeTable(reports);
  PrintCpuTable(reports);
  PrintWindowTable(reports);
  PrintRatioGoals(reports);
  PrintGrowthGoal(reports);
  PrintStopGoal(reports);
  PrintAnswerGoal(reports);
  PrintMemoryGoal(reports);
  const EmptyFolder empty;
  PrintMemoryBeyondFixed(reports, EmptyScanMemory(empty.Path()));
  PrintEmptyScanCost(empty);
}

void PrintRefresh(const std::string& folder, int pairs) {
  if (folder.empty()) return;
  Note("refresh: " + folder);
  std::vector<double> empty, replacing, ratio;
  int rows = 0;
  for (int pair = 0; pair < pairs; ++pair) {
    const RefreshResult refresh = RefreshOverFullList(folder);
    empty.push_back(refresh.intoEmptyMs);
    replacing.push_back(refresh.replacingMs);
    ratio.push_back(refresh.replacingMs / refresh.intoEmptyMs);
    rows = refresh.rows;
    Note(Format("  refresh %d: into an empty list %.1f ms, replacing %d rows %.1f ms", pair + 1,
                refresh.intoEmptyMs, rows, refresh.replacingMs));
  }
  const Spread spread = SpreadOf(ratio);
  std::printf(
      "- Refresh over %d rows at most %.0f %% above the same scan into an empty list: "
      "%s ms against %s ms, per-pair ratio %s: %s\n",
      rows, 100 * (kRefreshGoal - 1), WithRange(SpreadOf(replacing), 1).c_str(),
      WithRange(SpreadOf(empty), 1).c_str(), WithRange(spread, 3).c_str(),
      JudgedVerdict(spread.median <= kRefreshGoal, pairs >= kFewestRounds));
}

// Only the window's answers, scan after scan: where its slow ones fall.
void PrintAnswersOnly(const std::string& folder, int runs) {
  std::vector<double> longest;
  for (int run = 0; run < runs; ++run) {
    const AnswerResult answer = ProbedScan(folder);
    longest.push_back(answer.longestMs);
    Note(Format("  answers %d: %d rows, longest %.2f ms of %d messages; %s", run + 1, answer.rows,
                answer.longestMs, answer.probes, WhenSlow(answer).c_str()));
  }
  std::printf("- Longest answer to a sent message, %d scans of %s: %s ms, the longest %.1f ms\n",
              runs, folder.c_str(), WithRange(SpreadOf(longest), 1).c_str(),
              *std::max_element(longest.begin(), longest.end()));
}

void PrintFaults() {
  for (const std::string& fault : Faults()) std::printf("- FAULT: %s\n", fault.c_str());
}

struct Options {
  std::vector<FolderPlan> folders;
  std::vector<ReaderCountPlan> readerCounts;
  std::string refreshFolder;
  int refreshPairs = kFewestRounds;
  std::string treeCheckFolder;
  int treeCheckRuns = 0;
  std::string answersFolder;
  int answersRuns = 0;
  int copyRows = 0;
  int copyRuns = 0;
  std::vector<std::pair<std::string, int>> decompositions;
  std::vector<std::pair<std::string, int>> courses;
  bool busyCore = false;
};

int Count(const char* text) {
  const int count = std::atoi(text);
  if (count < 1) throw std::runtime_error(std::string("not a count: ") + text);
  return count;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 3 < argc) {
      options.folders.push_back({argv[i + 1], argv[i + 2], Count(argv[i + 3])});
      i += 3;
    } else if (arg == "--readers" && i + 3 < argc) {
      options.readerCounts.push_back({argv[i + 1], argv[i + 2], Count(argv[i + 3])});
      i += 3;
    } else if (arg == "--refresh" && i + 2 < argc) {
      options.refreshFolder = argv[i + 1];
      options.refreshPairs = Count(argv[i + 2]);
      i += 2;
    } else if (arg == "--copy-rows" && i + 2 < argc) {
      options.copyRows = Count(argv[i + 1]);
      options.copyRuns = Count(argv[i + 2]);
      i += 2;
    } else if (arg == "--answers" && i + 2 < argc) {
      options.answersFolder = argv[i + 1];
      options.answersRuns = Count(argv[i + 2]);
      i += 2;
    } else if (arg == "--decompose" && i + 2 < argc) {
      options.decompositions.emplace_back(argv[i + 1], Count(argv[i + 2]));
      i += 2;
    } else if (arg == "--course" && i + 2 < argc) {
      options.courses.emplace_back(argv[i + 1], Count(argv[i + 2]));
      i += 2;
    } else if (arg == "--busy-core") {
      options.busyCore = true;
    } else if (arg == "--tree-check" && i + 2 < argc) {
      options.treeCheckFolder = argv[i + 1];
      options.treeCheckRuns = Count(argv[i + 2]);
      i += 2;
    } else {
      throw std::runtime_error("unknown argument " + arg);
    }
  }
  return options;
}

int Run(int argc, char** argv) {
  if (const int child = RunMemoryChildIfAsked(argc, argv); child >= 0) return child;
  if (const int spinner = RunSpinnerIfAsked(argc, argv); spinner >= 0) return spinner;
  const Options options = ParseOptions(argc, argv);
  std::vector<FolderReport> reports;
  for (const FolderPlan& plan : options.folders) reports.push_back(MeasureFolder(plan));
  PrintFolders(reports);
  PrintReaderCounts(options.readerCounts);
  PrintRefresh(options.refreshFolder, options.refreshPairs);
  if (options.copyRuns > 0) PrintCopyRowsCost(options.copyRows, options.copyRuns);
  if (options.answersRuns > 0) PrintAnswersOnly(options.answersFolder, options.answersRuns);
  for (const auto& [folder, rounds] : options.decompositions) {
    PrintDecomposition(folder, rounds, options.busyCore);
  }
  for (const auto& [folder, rounds] : options.courses) {
    PrintCourse(folder, rounds, options.busyCore);
  }
  if (options.treeCheckRuns > 0) PrintTreeCheckCost(options.treeCheckFolder, options.treeCheckRuns);
  PrintFaults();
  return Faults().empty() ? 0 : 1;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  try {
    return bench::Run(argc, argv);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "libinfo_bench: %s\n", failure.what());
    return 1;
  }
}
