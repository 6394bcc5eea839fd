// Benchmark of the library window's scan against the same scan with no window.
//
//   libinfo_bench.exe [--dir LABEL FOLDER PAIRS]... [--refresh FOLDER PAIRS]
//                     [--tree-check FOLDER RUNS] [--copy-rows ROWS RUNS]
//                     [--answers FOLDER RUNS] [--decompose FOLDER ROUNDS]... [--busy-core]
//                     [--course FOLDER ROUNDS]...
//
// Each folder is timed in PAIRS alternating pairs (bare loop, then window
// scan), after one warm-up of each; every figure is the median of the
// per-pair samples with the interquartile range beside it. The report is
// Markdown on standard output, the single samples go to standard error.
// --decompose splits one folder's scan / bare into reading off the calling
// thread and the window's own share; --busy-core keeps the other core busy
// meanwhile, which takes the platform's wake-ups of idle cores out of it.
// --course times the reading off the calling thread quarter by quarter of
// the rows, to tell a cost spread over the scan from one at its start.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CopyRows.h"
#include "CommittedMemory.h"
#include "Measure.h"
#include "Scenarios.h"
#include "TreeCheck.h"

namespace bench {
namespace {

// Fewer pairs than this cannot separate a 5 % difference from this
// machine's noise, so their figures are printed but not judged.
constexpr int kFewestPairs = 11;
constexpr double kRatioGoal = 1.05;
constexpr double kGrowthLow = 4.5;
constexpr double kGrowthHigh = 5.5;
constexpr double kStopMedianGoalMs = 20;
constexpr double kStopMaximumGoalMs = 50;
constexpr double kAnswerGoalMs = 50;
constexpr double kBytesPerRowGoal = 0.5 * 1024;
constexpr double kRefreshGoal = 1.05;
constexpr int kStopRuns = 11;
constexpr int kLatestStopAt = 200;

struct FolderPlan {
  std::string label;
  std::string path;
  int pairs = kFewestPairs;
};

struct FolderReport {
  FolderPlan plan;
  int entries = 0;
  int rows = 0;
  Spread bareMs, scanMs, ratio;
  Spread bareCpuMs, scanCpuMs, cpuRatio;
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
  double bareBytesPerRow = 0;       // the bare loop's growth per row it found
  long long memoryGrowth = 0;       // over the window's scan, and its rows
  int memoryRows = 0;
};

// Faults seen on the way: the numbers are still reported, these beside them.
std::vector<std::string> faults;

void Note(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void Fault(const std::string& text) {
  Note("FAULT: " + text);
  faults.push_back(text);
}

int CountEntries(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAA entry{};
  HANDLE search = ::FindFirstFileA((folder + "\\*.*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string_view name = entry.cFileName;
    if (name != "." && name != "..") ++count;
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return count;
}

// Warms the file cache, and once per process the window classes and fonts.
void WarmUp(const std::string& path) {
  BareLoop(path);
  static bool windowWarm = false;
  if (!windowWarm) WindowScan(path);
  windowWarm = true;
}

// A stopped scan lists at least what the label showed when Stop was clicked,
// fewer rows than the whole folder, and its label ends on the final count.
void CheckStop(const FolderReport& report, const StopResult& stop) {
  const char* label = report.plan.label.c_str();
  if (stop.rows < stop.countWhenClicked || stop.rows >= report.rows) {
    Fault(Format("%s: Stop clicked at %d files left %d of %d rows", label, stop.countWhenClicked,
                 stop.rows, report.rows));
  }
  if (stop.lastCaptionCount != stop.rows) {
    Fault(Format("%s: the count label's last caption said %d files, the list holds %d", label,
                 stop.lastCaptionCount, stop.rows));
  }
}

// The stops of one folder, taken one after each pair rather than in a block
// of their own. Stop is timed in milliseconds, not against a baseline, and
// this machine has spells, seen to last longer than a block of 11 stops,
// in which Stop takes 20 % longer and the paint after it 50 %. Spread over
// the pairs, the stops meet the same spells as the ratios, in the same share.
class StopSamples {
 public:
  void Take(FolderReport& report, int run) {
    const int stopAt = std::min(kLatestStopAt, report.rows / 2);
    if (stopAt < 1) return;
    const StopResult stop = StoppedScan(report.plan.path, stopAt);
    const char* label = report.plan.label.c_str();
    if (!stop.clicked) {
      Note(Format("  %s stop %d: the scan ended before the label reached %d files", label, run + 1,
                  stopAt));
      return;
    }
    CheckStop(report, stop);
    returned_.push_back(stop.clickToReturnMs);
    painted_.push_back(stop.clickToPaintedMs);
    dialogGone_.push_back(stop.clickToDialogGoneMs);
    handled_.push_back(stop.clickToHandledMs);
    Note(
        Format("  %s stop %d: clicked at %d files, handled %.2f ms later, dialog gone after "
               "%.2f ms, scan returned %.2f ms after the click with %d rows, window painted "
               "after %.2f ms",
               label, run + 1, stop.countWhenClicked, stop.clickToHandledMs,
               stop.clickToDialogGoneMs, stop.clickToReturnMs, stop.rows, stop.clickToPaintedMs));
  }

  void Report(FolderReport& report) const {
    report.stops = static_cast<int>(returned_.size());
    report.stopMs = SpreadOf(returned_);
    report.stopMaximumMs = Maximum(returned_);
    report.stopHandledMs = Median(handled_);
    report.stopDialogGoneMs = Median(dialogGone_);
    report.stopPaintedMs = SpreadOf(painted_);
  }

 private:
  std::vector<double> returned_, handled_, dialogGone_, painted_;
};

// The alternating pairs, each followed by one stop; stops still missing
// once the pairs are done follow them.
void TimePairsAndStops(FolderReport& report) {
  const std::string& path = report.plan.path;
  WarmUp(path);
  StopSamples stops;
  std::vector<double> bareMs, scanMs, ratio, bareCpuMs, scanCpuMs, cpuRatio;
  for (int pair = 0; pair < report.plan.pairs; ++pair) {
    // The scan starts in a window that has been quiet for a while; the bare
    // loop gets the same quiet, because a reading that begins right after
    // another one has ended reads its first files several times slower.
    Settle();
    const Timing bare = BareLoop(path);
    const Timing scan = WindowScan(path);
    if (bare.listed != scan.listed) {
      throw std::runtime_error(Format("%s: the loop found %d files, the window listed %d",
                                      path.c_str(), bare.listed, scan.listed));
    }
    report.rows = scan.listed;
    bareMs.push_back(bare.wallMs);
    scanMs.push_back(scan.wallMs);
    ratio.push_back(scan.wallMs / bare.wallMs);
    bareCpuMs.push_back(bare.cpuMs);
    scanCpuMs.push_back(scan.cpuMs);
    if (bare.cpuMs > 0) cpuRatio.push_back(scan.cpuMs / bare.cpuMs);
    Note(
        Format("  %s pair %d: bare %.1f ms (CPU %.1f), scan %.1f ms (CPU %.1f), ratio %.3f, "
               "%d rows",
               report.plan.label.c_str(), pair + 1, bare.wallMs, bare.cpuMs, scan.wallMs,
               scan.cpuMs, scan.wallMs / bare.wallMs, scan.listed));
    if (pair < kStopRuns) stops.Take(report, pair);
  }
  for (int run = report.plan.pairs; run < kStopRuns; ++run) stops.Take(report, run);
  stops.Report(report);
  report.bareMs = SpreadOf(bareMs);
  report.scanMs = SpreadOf(scanMs);
  report.ratio = SpreadOf(ratio);
  report.bareCpuMs = SpreadOf(bareCpuMs);
  report.scanCpuMs = SpreadOf(scanCpuMs);
  report.cpuRatio = SpreadOf(cpuRatio);
}

// Where the longest and the slow answers fell ("sent at 2.0 ms; scan 1.0 to
// 81234.0 ms ...; over 25 ms: 45.2 at 2.0, 30.1 at 40211.5"), so that a slow
// one can be told apart: the scan's first or last steps, or a stall between.
std::string WhenSlow(const AnswerResult& answer) {
  std::string text = Format(
      "sent at %.1f ms; scan %.1f to %.1f ms after the probing began; "
      "over %.0f ms:",
      answer.longestSentMs, answer.scanStartMs, answer.scanEndMs, kSlowAnswerMs);
  if (answer.slow.empty()) return text + " none";
  for (const SlowAnswer& slow : answer.slow)
    text += Format(" %.1f at %.1f,", slow.tookMs, slow.sentMs);
  text.pop_back();
  return text;
}

void MeasureAnswers(FolderReport& report) {
  const AnswerResult answer = ProbedScan(report.plan.path);
  if (answer.rows != report.rows) {
    Fault(Format("%s: the probed scan listed %d rows, the timed ones %d", report.plan.label.c_str(),
                 answer.rows, report.rows));
  }
  report.longestAnswerMs = answer.longestMs;
  report.probes = answer.probes;
  Note(Format("  %s answers: longest %.2f ms of %d messages sent during the scan; %s",
              report.plan.label.c_str(), answer.longestMs, answer.probes,
              WhenSlow(answer).c_str()));
}

// Wine reports no private bytes, only the pagefile-backed (anonymous resident)
// ones. Under a CPU emulator those are mostly the emulator's own; the
// committed private regions are what the program holds.
long long GrowthOf(const MemoryResult& memory) {
  if (libinfo::support::RunsUnderCpuEmulator()) return memory.committedGrowth;
  return memory.privateGrowth ? memory.privateGrowth : memory.pagefileGrowth;
}

MemoryResult GrowthOver(const FolderReport& report, MemoryPlan plan) {
  const MemoryResult memory = MemoryPerRowInChild(report.plan.path, plan);
  Note(Format(
      "  %s memory (%s, %s): private +%lld, pagefile +%lld, committed +%lld bytes for %d rows",
      report.plan.label.c_str(), plan.what == MemoryOf::BareLoop ? "bare loop" : "scan",
      plan.afterFirstScan ? "after a first scan" : "first scan", memory.privateGrowth,
      memory.pagefileGrowth, memory.committedGrowth, memory.rows));
  return memory;
}

double PerRow(const MemoryResult& memory) {
  return memory.rows > 0 ? static_cast<double>(GrowthOf(memory)) / memory.rows : 0;
}

void MeasureMemory(FolderReport& report) {
  const MemoryResult scan = GrowthOver(report, {MemoryOf::Scan, true});
  report.bytesPerRow = PerRow(scan);
  report.memoryGrowth = GrowthOf(scan);
  report.memoryRows = scan.rows;
  report.firstScanBytesPerRow = PerRow(GrowthOver(report, {MemoryOf::Scan, false}));
  report.bareBytesPerRow = PerRow(GrowthOver(report, {MemoryOf::BareLoop, true}));
}

FolderReport MeasureFolder(const FolderPlan& plan) {
  FolderReport report;
  report.plan = plan;
  report.entries = CountEntries(plan.path);
  Note(Format("%s: %s, %d entries", plan.label.c_str(), plan.path.c_str(), report.entries));
  TimePairsAndStops(report);
  MeasureAnswers(report);
  MeasureMemory(report);
  return report;
}

// "1.032 [1.010, 1.051]": the median and, in brackets, the interquartile range.
std::string WithRange(const Spread& spread, int decimals) {
  return Format("%.*f [%.*f, %.*f]", decimals, spread.median, decimals, spread.lower, decimals,
                spread.upper);
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

bool EnoughPairs(const std::vector<FolderReport>& reports) {
  return std::all_of(reports.begin(), reports.end(),
                     [](const FolderReport& r) { return r.plan.pairs >= kFewestPairs; });
}

const char* JudgedVerdict(bool met, bool enoughPairs) {
  return enoughPairs ? Verdict(met) : "not judged (fewer than 11 pairs)";
}

void PrintTimeTable(const std::vector<FolderReport>& reports) {
  std::printf(
      "Medians of the pairs, interquartile range in brackets; CPU is the process's user and "
      "kernel time.\n\n"
      "| Directory | Entries | Listed rows | Pairs | Bare ms | Scan ms | Scan / bare | "
      "Bare CPU ms | Scan CPU ms | Scan / bare CPU | Scan us per row |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const FolderReport& r : reports) {
    std::printf("| %s | %d | %d | %d | %s | %s | %s | %s | %s | %s | %.1f |\n",
                r.plan.label.c_str(), r.entries, r.rows, r.plan.pairs,
                WithRange(r.bareMs, 1).c_str(), WithRange(r.scanMs, 1).c_str(),
                WithRange(r.ratio, 3).c_str(), WithRange(r.bareCpuMs, 1).c_str(),
                WithRange(r.scanCpuMs, 1).c_str(), WithRange(r.cpuRatio, 3).c_str(),
                r.rows ? 1000.0 * r.scanMs.median / r.rows : 0.0);
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

void PrintRatioGoal(const std::vector<FolderReport>& reports) {
  std::string figures;
  bool met = true;
  for (const FolderReport& r : reports) {
    met = met && r.ratio.median <= kRatioGoal;
    figures += Format("%s %s; ", r.plan.label.c_str(), WithRange(r.ratio, 3).c_str());
  }
  std::printf("- Scan / bare at most %.2f (median of the per-pair ratios [IQR]): %s%s\n",
              kRatioGoal, figures.c_str(), JudgedVerdict(met, EnoughPairs(reports)));
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
      "- 50,000 / 10,000 scan time %.1f to %.1f: %.2f (from the quartiles %.2f to %.2f; bare "
      "loop %.2f): %s\n",
      kGrowthLow, kGrowthHigh, growth, fifty.lower / ten.upper, fifty.upper / ten.lower,
      large->second->bareMs.median / small->second->bareMs.median,
      JudgedVerdict(growth >= kGrowthLow && growth <= kGrowthHigh,
                    EnoughPairs({*small->second, *large->second})));
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
// down, the thread started and ended): the part of the scan / bare ratio
// that does not grow with the folder.
void PrintEmptyScanCost(const EmptyFolder& empty) {
  WindowScan(empty.Path());  // the window classes and fonts, once
  std::vector<double> wallMs, cpuMs;
  for (int run = 0; run < kFewestPairs; ++run) {
    const Timing scan = WindowScan(empty.Path());
    wallMs.push_back(scan.wallMs);
    cpuMs.push_back(scan.cpuMs);
  }
  std::printf(
      "- Scan of an empty folder (the cost that does not grow with the rows): %s ms, "
      "CPU %s ms (%d runs)\n",
      WithRange(SpreadOf(wallMs), 1).c_str(), WithRange(SpreadOf(cpuMs), 1).c_str(), kFewestPairs);
}

void PrintFolders(const std::vector<FolderReport>& reports) {
  if (reports.empty()) return;
  PrintTimeTable(reports);
  PrintWindowTable(reports);
  PrintRatioGoal(reports);
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
      JudgedVerdict(spread.median <= kRefreshGoal, pairs >= kFewestPairs));
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

// Where the scan's time beyond the bare loop goes: rounds of the bare loop,
// the same loop on a thread of its own and the window's scan, in an order
// that turns each round, so that none is always first.
void PrintDecomposition(const std::string& folder, int rounds, bool busyCore) {
  std::unique_ptr<BusyCore> busy;
  if (busyCore) busy = std::make_unique<BusyCore>();
  Timing (*const runs[])(const std::string&) = {BareLoop, ThreadedBareLoop, WindowScan};
  std::vector<double> threadedOverBare, scanOverThreaded, scanOverBare;
  for (int round = 0; round <= rounds; ++round) {  // the first round warms up
    double ms[3] = {};
    for (int turn = 0; turn < 3; ++turn) {
      const int run = (turn + round) % 3;
      Settle();  // the same quiet before each, as in the pairs
      ms[run] = runs[run](folder).wallMs;
    }
    Note(Format("  decomposition %d: bare %.1f ms, on a thread %.1f ms, scan %.1f ms", round, ms[0],
                ms[1], ms[2]));
    if (round == 0) continue;
    threadedOverBare.push_back(ms[1] / ms[0]);
    scanOverThreaded.push_back(ms[2] / ms[1]);
    scanOverBare.push_back(ms[2] / ms[0]);
  }
  std::printf(
      "- Scan / bare over %s, %d rounds%s: %s; bare on a thread of its own / bare %s; scan / "
      "bare on a thread of its own %s\n",
      folder.c_str(), rounds, busyCore ? ", the other core kept busy" : "",
      WithRange(SpreadOf(scanOverBare), 3).c_str(),
      WithRange(SpreadOf(threadedOverBare), 3).c_str(),
      WithRange(SpreadOf(scanOverThreaded), 3).c_str());
}

// Quarter by quarter of the rows, the bare loop on a thread of its own
// against the same loop on the calling thread, in rounds that turn which
// goes first: whether reading off the calling thread costs evenly over a
// scan or only while the new thread settles in.
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
      "- Bare on a thread of its own / bare over %s, %d rounds%s, quarter by quarter "
      "of the rows:",
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

void PrintFaults() {
  for (const std::string& fault : faults) std::printf("- FAULT: %s\n", fault.c_str());
}

struct Options {
  std::vector<FolderPlan> folders;
  std::string refreshFolder;
  int refreshPairs = kFewestPairs;
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
  return faults.empty() ? 0 : 1;
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
