// Benchmark of the library window's scan against the bare version API.
//
//   libinfo_bench.exe [--dir LABEL FOLDER RUNS]... [--refresh FOLDER RUNS]
//                     [--tree-check FOLDER RUNS] [--copy-rows ROWS RUNS]
//
// Each folder is timed RUNS times, the bare loop and the window scan taking
// turns, after one warm-up of each; the report is a Markdown table on
// standard output, the single samples go to standard error.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "CopyRows.h"
#include "Measure.h"
#include "TreeCheck.h"
#include "Scenarios.h"
#include "window/Application.h"

namespace bench {
namespace {

constexpr double kRatioGoal = 1.05;
constexpr double kBytesPerRowGoal = 1.5 * 1024;
constexpr double kStopGoalMs = 20;
constexpr int kStopRuns = 3;
constexpr int kLatestStopAt = 200;

struct FolderPlan {
  std::string label;
  std::string path;
  int runs = 5;
};

struct FolderReport {
  FolderPlan plan;
  int entries = 0;
  int rows = 0;
  double baselineMs = 0;
  double scanMs = 0;
  double bytesPerRow = 0;
  double stopToEndMs = 0;
  double stopToEndMedianMs = 0;
  double pressToHandledMs = 0;
  [[nodiscard]] double Ratio() const { return baselineMs > 0 ? scanMs / baselineMs : 0; }
};

void Note(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
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

void TimeRuns(FolderReport& report) {
  const std::string& path = report.plan.path;
  BareLoop(path);  // warm-up: the file cache
  static bool windowWarm = false;
  if (!windowWarm) WindowScan(path);  // and once, the window classes and fonts
  windowWarm = true;
  std::vector<double> baseline, scan;
  for (int run = 0; run < report.plan.runs; ++run) {
    const LoopResult bare = BareLoop(path);
    const LoopResult window = WindowScan(path);
    if (bare.listed != window.listed) {
      throw std::runtime_error(Format("%s: the loop found %d files, the window listed %d",
                                      path.c_str(), bare.listed, window.listed));
    }
    report.rows = window.listed;
    baseline.push_back(bare.ms);
    scan.push_back(window.ms);
    Note(Format("  %s run %d: baseline %.1f ms, scan %.1f ms, %d rows", report.plan.label.c_str(),
                run + 1, bare.ms, window.ms, window.listed));
  }
  report.baselineMs = Median(baseline);
  report.scanMs = Median(scan);
}

void TimeStop(FolderReport& report) {
  const int stopAt = std::min(kLatestStopAt, report.rows / 2);
  if (stopAt < 1) return;
  std::vector<double> toEnd, toHandled;
  for (int run = 0; run < kStopRuns; ++run) {
    const StopResult stop = StoppedScan(report.plan.path, stopAt);
    if (stop.rows != stop.listedWhenHandled || stop.rows < stopAt) {
      throw std::runtime_error(
          Format("Stop handled after %d files left %d rows", stop.listedWhenHandled, stop.rows));
    }
    toEnd.push_back(stop.handledToEndMs);
    toHandled.push_back(stop.pressToHandledMs);
    Note(
        Format("  %s stop %d: press handled after %.2f ms, scan ended %.2f ms later "
               "(dialog destruction began after %.2f ms and took %.2f ms, the list's "
               "redraw the rest)",
               report.plan.label.c_str(), run + 1, stop.pressToHandledMs, stop.handledToEndMs,
               stop.handledToDestroyMs, stop.destroyMs));
  }
  report.stopToEndMs = Maximum(toEnd);
  report.stopToEndMedianMs = Median(toEnd);
  report.pressToHandledMs = Maximum(toHandled);
}

FolderReport MeasureFolder(const FolderPlan& plan) {
  FolderReport report;
  report.plan = plan;
  report.entries = CountEntries(plan.path);
  Note(Format("%s: %s, %d entries", plan.label.c_str(), plan.path.c_str(), report.entries));
  TimeRuns(report);
  TimeStop(report);
  const MemoryResult memory = MemoryPerRowInChild(plan.path);
  // Wine reports no private bytes, only the pagefile-backed (anonymous resident) ones.
  const long long growth = memory.privateGrowth ? memory.privateGrowth : memory.pagefileGrowth;
  if (memory.rows > 0) report.bytesPerRow = static_cast<double>(growth) / memory.rows;
  Note(Format("  %s memory: private +%lld, pagefile +%lld bytes for %d rows", plan.label.c_str(),
              memory.privateGrowth, memory.pagefileGrowth, memory.rows));
  return report;
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

void PrintTable(const std::vector<FolderReport>& reports) {
  std::printf(
      "| Directory | Entries | Listed rows | Runs | Baseline ms (median) | Scan ms (median) | "
      "Scan / baseline | Scan us per row | Memory growth per row | Stop to end ms (median / max) "
      "|\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const FolderReport& r : reports) {
    std::printf("| %s | %d | %d | %d | %.1f | %.1f | %.3f | %.1f | %.0f B | %.1f / %.1f |\n",
                r.plan.label.c_str(), r.entries, r.rows, r.plan.runs, r.baselineMs, r.scanMs,
                r.Ratio(), r.rows ? 1000.0 * r.scanMs / r.rows : 0.0, r.bytesPerRow,
                r.stopToEndMedianMs, r.stopToEndMs);
  }
  std::printf("\n");
}

void PrintGrowth(const std::vector<FolderReport>& reports) {
  std::map<std::string, const FolderReport*> byLabel;
  for (const FolderReport& r : reports) byLabel[r.plan.label] = &r;
  const auto small = byLabel.find("10000");
  const auto large = byLabel.find("50000");
  if (small == byLabel.end() || large == byLabel.end()) return;
  const double scanGrowth = large->second->scanMs / small->second->scanMs;
  std::printf("- 50,000 / 10,000 scan time: %.2f (baseline %.2f), goal 4.5 to 5.5: %s\n",
              scanGrowth, large->second->baselineMs / small->second->baselineMs,
              Verdict(scanGrowth >= 4.5 && scanGrowth <= 5.5));
}

void PrintGoals(const std::vector<FolderReport>& reports) {
  bool ratio = true, memory = true, stop = true;
  double worstRatio = 0, worstMemory = 0, worstStop = 0, worstHandling = 0;
  for (const FolderReport& r : reports) {
    ratio = ratio && r.Ratio() <= kRatioGoal;
    memory = memory && r.bytesPerRow <= kBytesPerRowGoal;
    stop = stop && r.stopToEndMs < kStopGoalMs;
    worstRatio = std::max(worstRatio, r.Ratio());
    worstMemory = std::max(worstMemory, r.bytesPerRow);
    worstStop = std::max(worstStop, r.stopToEndMs);
    worstHandling = std::max(worstHandling, r.pressToHandledMs);
  }
  std::printf("- Scan / baseline at most %.2f: worst %.3f, %s\n", kRatioGoal, worstRatio,
              Verdict(ratio));
  std::printf("- Memory per listed row at most 1.5 KB: worst %.0f B, %s\n", worstMemory,
              Verdict(memory));
  std::printf(
      "- Stop to end under %.0f ms: worst %.2f ms, %s (click posted to handled: worst "
      "%.2f ms)\n",
      kStopGoalMs, worstStop, Verdict(stop), worstHandling);
}

void PrintRefresh(const std::string& folder, int runs) {
  if (folder.empty()) return;
  Note("refresh: " + folder);
  std::vector<double> empty, replacing;
  int rows = 0;
  for (int run = 0; run < runs; ++run) {
    const RefreshResult refresh = RefreshOverFullList(folder);
    empty.push_back(refresh.intoEmptyMs);
    replacing.push_back(refresh.replacingMs);
    rows = refresh.rows;
    Note(Format("  refresh %d: into an empty list %.1f ms, replacing %d rows %.1f ms", run + 1,
                refresh.intoEmptyMs, rows, refresh.replacingMs));
  }
  const double extra = Median(replacing) - Median(empty);
  std::printf(
      "- Refresh replacing %d rows: %.1f ms against %.1f ms into an empty list "
      "(medians of %d): %.1f ms more, %.2f us per replaced row\n",
      rows, Median(replacing), Median(empty), runs, extra, rows ? 1000.0 * extra / rows : 0.0);
}

struct Options {
  std::vector<FolderPlan> folders;
  std::string refreshFolder;
  int refreshRuns = 3;
  std::string treeCheckFolder;
  int treeCheckRuns = 0;
  int copyRows = 0;
  int copyRuns = 0;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 3 < argc) {
      options.folders.push_back({argv[i + 1], argv[i + 2], std::atoi(argv[i + 3])});
      i += 3;
    } else if (arg == "--refresh" && i + 2 < argc) {
      options.refreshFolder = argv[i + 1];
      options.refreshRuns = std::atoi(argv[i + 2]);
      i += 2;
    } else if (arg == "--copy-rows" && i + 2 < argc) {
      options.copyRows = std::atoi(argv[i + 1]);
      options.copyRuns = std::atoi(argv[i + 2]);
      i += 2;
    } else if (arg == "--tree-check" && i + 2 < argc) {
      options.treeCheckFolder = argv[i + 1];
      options.treeCheckRuns = std::atoi(argv[i + 2]);
      i += 2;
    } else {
      throw std::runtime_error("unknown argument " + arg);
    }
  }
  return options;
}

int Run(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--memory-child") {
    return RunMemoryChild(argv[2], argv[3]);
  }
  const Options options = ParseOptions(argc, argv);
  std::vector<FolderReport> reports;
  for (const FolderPlan& plan : options.folders) reports.push_back(MeasureFolder(plan));
  if (!reports.empty()) {
    PrintTable(reports);
    PrintGrowth(reports);
    PrintGoals(reports);
  }
  PrintRefresh(options.refreshFolder, options.refreshRuns);
  if (options.copyRuns > 0) PrintCopyRowsCost(options.copyRows, options.copyRuns);
  if (options.treeCheckRuns > 0) PrintTreeCheckCost(options.treeCheckFolder, options.treeCheckRuns);
  return 0;
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
