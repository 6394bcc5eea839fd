#include "FolderMeasure.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "BareLoops.h"
#include "CommittedMemory.h"
#include "Notes.h"

namespace bench {
namespace {

constexpr int kStopRuns = 11;
// Attempts at the stops still missing once the rounds are done, at most
// this many times the stops wanted: a scan that outruns the count label
// leaves nothing to time.
constexpr int kStopAttemptsPerStop = 3;
// Stop is clicked once the count label reads this many files, or a quarter
// of the rows in smaller folders: the label changes at most 20 times a
// second, and a scan reading with several threads lists the system
// directory's rows within a few of its changes, so a later mark would often
// come after the last row.
constexpr int kLatestStopAt = 200;

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

// Warms the file cache, and once per process the window classes and fonts
// and the first start of a bare loop's threads.
void WarmUp(const std::string& path, int threads) {
  BareLoop(path);
  static bool warm = false;
  if (warm) return;
  WindowScan(path);
  SharedIndexLoop(path, threads);
  warm = true;
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

// The stops of one folder, taken one after each round rather than in a
// block of their own, of the window's scan with its own readers. Stop is
// timed in milliseconds, not against a baseline, and this machine has
// spells, seen to last longer than a block of 11 stops, in which Stop takes
// 20 % longer and the paint after it 50 %. Spread over the rounds, the stops
// meet the same spells as the ratios, in the same share.
class StopSamples {
 public:
  void Take(FolderReport& report, int run) {
    const int stopAt = std::min(kLatestStopAt, report.rows / 4);
    if (stopAt < 1) return;
    const StopResult stop = StoppedScan(report.plan.path, stopAt);
    const char* label = report.plan.label.c_str();
    if (!stop.clicked) {
      Note(Format("  %s stop %d: the scan ended before the label reached %d files", label, run + 1,
                  stopAt));
      return;
    }
    // The label changes at most 20 times a second: a fast scan can have read
    // every row by the time it passes the mark, and a click then has
    // nothing left to stop.
    if (stop.countWhenClicked >= report.rows) {
      Note(Format("  %s stop %d: the label first passed %d files at all %d rows, no stop to time",
                  label, run + 1, stopAt, stop.countWhenClicked));
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

  [[nodiscard]] int Timed() const noexcept { return static_cast<int>(returned_.size()); }

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

// The runs of one round: the window's scan with its own readers, the
// one-thread bare loop, and the bare loop with as many threads as the scan
// has readers.
enum RunOf { kScan, kOneThread, kSameThreads, kRuns };

Timing TimeRun(int run, const std::string& path, int threads) {
  if (run == kScan) return WindowScan(path);
  return run == kOneThread ? BareLoop(path) : SharedIndexLoop(path, threads);
}

struct RoundSamples {
  std::vector<double> ms[kRuns], cpuMs[kRuns];
  std::vector<double> ratio, sameRatio, cpuRatio, sameCpuRatio;

  void Add(const Timing (&timing)[kRuns]) {
    for (int run = 0; run < kRuns; ++run) {
      ms[run].push_back(timing[run].wallMs);
      cpuMs[run].push_back(timing[run].cpuMs);
    }
    ratio.push_back(timing[kScan].wallMs / timing[kOneThread].wallMs);
    sameRatio.push_back(timing[kScan].wallMs / timing[kSameThreads].wallMs);
    if (timing[kOneThread].cpuMs > 0) {
      cpuRatio.push_back(timing[kScan].cpuMs / timing[kOneThread].cpuMs);
    }
    if (timing[kSameThreads].cpuMs > 0) {
      sameCpuRatio.push_back(timing[kScan].cpuMs / timing[kSameThreads].cpuMs);
    }
  }

  void Report(FolderReport& report) const {
    report.scanMs = SpreadOf(ms[kScan]);
    report.bareMs = SpreadOf(ms[kOneThread]);
    report.sameMs = SpreadOf(ms[kSameThreads]);
    report.scanCpuMs = SpreadOf(cpuMs[kScan]);
    report.bareCpuMs = SpreadOf(cpuMs[kOneThread]);
    report.sameCpuMs = SpreadOf(cpuMs[kSameThreads]);
    report.ratio = SpreadOf(ratio);
    report.sameRatio = SpreadOf(sameRatio);
    report.cpuRatio = SpreadOf(cpuRatio);
    report.sameCpuRatio = SpreadOf(sameCpuRatio);
  }
};

// The alternating rounds, each followed by one stop; stops still missing
// once the rounds are done follow them.
void TimeRoundsAndStops(FolderReport& report) {
  const std::string& path = report.plan.path;
  report.readers = DefaultReaders();
  WarmUp(path, report.readers);
  StopSamples stops;
  int attempts = 0;
  RoundSamples samples;
  for (int round = 0; round < report.plan.rounds; ++round) {
    // The three share the machine's spells; which goes first turns with the
    // round. Each starts after the same quiet, the scan in a window that has
    // been quiet for a while, because a reading that begins right after
    // another one has ended reads its first files several times slower.
    Timing timing[kRuns];
    for (int turn = 0; turn < kRuns; ++turn) {
      const int run = (turn + round) % kRuns;
      Settle();
      timing[run] = TimeRun(run, path, report.readers);
    }
    for (const int bare : {kOneThread, kSameThreads}) {
      if (timing[bare].listed == timing[kScan].listed) continue;
      throw std::runtime_error(Format("%s: a bare loop found %d files, the window listed %d",
                                      path.c_str(), timing[bare].listed, timing[kScan].listed));
    }
    report.rows = timing[kScan].listed;
    samples.Add(timing);
    const Timing& scan = timing[kScan];
    const Timing& one = timing[kOneThread];
    const Timing& same = timing[kSameThreads];
    Note(
        Format("  %s round %d: scan %.1f ms (CPU %.1f), bare one thread %.1f ms (CPU %.1f), "
               "bare %d threads %.1f ms (CPU %.1f), scan / one thread %.3f, scan / %d threads "
               "%.3f, %d rows",
               report.plan.label.c_str(), round + 1, scan.wallMs, scan.cpuMs, one.wallMs, one.cpuMs,
               report.readers, same.wallMs, same.cpuMs, scan.wallMs / one.wallMs, report.readers,
               scan.wallMs / same.wallMs, scan.listed));
    if (round < kStopRuns) stops.Take(report, attempts++);
  }
  while (stops.Timed() < kStopRuns && attempts < kStopAttemptsPerStop * kStopRuns) {
    stops.Take(report, attempts++);
  }
  stops.Report(report);
  samples.Report(report);
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

}  // namespace

// "sent at 2.0 ms; scan 1.0 to 81234.0 ms ...; over 25 ms: 45.2 at 2.0,
// 30.1 at 40211.5", so that a slow answer can be told apart: the scan's
// first or last steps, or a stall between.
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

// Wine reports no private bytes, only the pagefile-backed (anonymous resident)
// ones. Under a CPU emulator those are mostly the emulator's own; the
// committed private regions are what the program holds.
long long GrowthOf(const MemoryResult& memory) {
  if (libinfo::support::RunsUnderCpuEmulator()) return memory.committedGrowth;
  return memory.privateGrowth ? memory.privateGrowth : memory.pagefileGrowth;
}

FolderReport MeasureFolder(const FolderPlan& plan) {
  FolderReport report;
  report.plan = plan;
  report.entries = CountEntries(plan.path);
  Note(Format("%s: %s, %d entries", plan.label.c_str(), plan.path.c_str(), report.entries));
  TimeRoundsAndStops(report);
  MeasureAnswers(report);
  MeasureMemory(report);
  return report;
}

}  // namespace bench
