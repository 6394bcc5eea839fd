#include "Scenarios.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Measure.h"
#include "Owned.h"
#include "scan/LibraryScan.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace bench {

using libinfo::TSysLibInfoWin;

namespace {

// The library window, shown and idle, pointed at `folder`; its first scan
// (normally started by the first activation) is left to the caller.
class ShownWindow {
 public:
  explicit ShownWindow(const std::string& folder) : window_(folder) {
    window_.ScanStarted = true;
    window_.Show();
    Settle();
  }
  TSysLibInfoWin& operator*() noexcept { return window_; }
  TSysLibInfoWin* operator->() noexcept { return &window_; }

  // Refresh as the toolbar button runs it, timed until it returns.
  Timing TimedRefresh() {
    const double cpuStart = ProcessCpuMs();
    const double start = NowMs();
    window_.tbRefreshClick();
    Timing timing{NowMs() - start, ProcessCpuMs() - cpuStart, window_.RowCount()};
    Settle();
    return timing;
  }

 private:
  TSysLibInfoWin window_;
};

int CountInCaption(HWND label) {
  char caption[32] = {};
  ::GetWindowTextA(label, caption, sizeof caption);
  return std::atoi(caption);
}

// Posts a click to Stop once the count label reads at least `stopAt`, and
// keeps the label's last caption. The label changes at most 20 times a second,
// so the click may come a few files after the mark.
class StopPress {
 public:
  explicit StopPress(int stopAt) : stopAt_(stopAt) {
    active_ = this;
    hook_.reset(::SetWindowsHookExA(WH_CALLWNDPROCRET, OnReturn, nullptr, ::GetCurrentThreadId()));
  }
  StopPress(const StopPress&) = delete;
  StopPress& operator=(const StopPress&) = delete;
  ~StopPress() {
    hook_.reset();
    active_ = nullptr;
  }
  [[nodiscard]] bool Clicked() const noexcept { return postedAt_ != 0; }
  [[nodiscard]] double PostedAt() const noexcept { return postedAt_; }
  // When the dialog had handled the click (0 if it never did).
  [[nodiscard]] double HandledAt() const noexcept { return handledAt_; }
  // When the clicked dialog's window was gone (0 if it never went).
  [[nodiscard]] double DestroyedAt() const noexcept { return destroyedAt_; }
  [[nodiscard]] int CountWhenClicked() const noexcept { return countWhenClicked_; }
  [[nodiscard]] int LastCaptionCount() const noexcept { return lastCaptionCount_; }

 private:
  static void Unhook(HHOOK hook) noexcept { ::UnhookWindowsHookEx(hook); }
  static LRESULT CALLBACK OnReturn(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && active_) active_->Returned(*reinterpret_cast<CWPRETSTRUCT*>(lParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  void Returned(const CWPRETSTRUCT& call) {
    if (call.message == WM_DESTROY && call.hwnd == clickedDialog_ && destroyedAt_ == 0) {
      destroyedAt_ = NowMs();
    }
    libinfo::TProgressDlg* dialog = libinfo::ProgressDlg;
    if (!dialog) return;
    // The button tells the dialog of the click with a sent WM_COMMAND.
    if (call.message == WM_COMMAND && reinterpret_cast<HWND>(call.lParam) == dialog->bbStop &&
        postedAt_ != 0 && handledAt_ == 0) {
      handledAt_ = NowMs();
    }
    if (call.message == WM_SETTEXT && call.hwnd == dialog->lbCnt) CaptionChanged(*dialog);
  }

  // Read back from the label rather than from the message, which may carry
  // the caption in either character set.
  void CaptionChanged(libinfo::TProgressDlg& dialog) {
    lastCaptionCount_ = CountInCaption(dialog.lbCnt);
    if (postedAt_ != 0 || lastCaptionCount_ < stopAt_ || dialog.Stopped) return;
    countWhenClicked_ = lastCaptionCount_;
    clickedDialog_ = dialog.Handle();
    postedAt_ = NowMs();
    ::PostMessageA(dialog.bbStop, BM_CLICK, 0, 0);
  }

  static inline StopPress* active_ = nullptr;
  libinfo::Owned<HHOOK, Unhook> hook_;
  int stopAt_;
  double postedAt_ = 0;
  double handledAt_ = 0;
  double destroyedAt_ = 0;
  HWND clickedDialog_ = nullptr;
  int countWhenClicked_ = 0;
  int lastCaptionCount_ = 0;
};

// A second thread that sends `window` a message that needs no work every
// 10 ms and keeps the slowest round trip: how long a user, or another
// program, waits for the window at worst. Slow answers are kept with the
// time they were sent, counted from the probe's start, so that a slow one
// can be placed in the scan.
class AnswerProbe {
 public:
  explicit AnswerProbe(HWND window) : start_(NowMs()), thread_([this, window] { Probe(window); }) {}
  AnswerProbe(const AnswerProbe&) = delete;
  AnswerProbe& operator=(const AnswerProbe&) = delete;
  ~AnswerProbe() { Finish(); }

  // Ends the probing; the results are read after this. A probe may be
  // waiting for this thread's answer, so sent messages are answered until
  // the prober is through.
  void Finish() {
    done_ = true;
    while (!finished_) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
      MSG msg;
      ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (thread_.joinable()) thread_.join();
  }
  [[nodiscard]] double StartedAt() const noexcept { return start_; }
  [[nodiscard]] double LongestMs() const noexcept { return longestMs_; }
  [[nodiscard]] double LongestSentMs() const noexcept { return longestSentMs_; }
  [[nodiscard]] int Probes() const noexcept { return probes_; }
  [[nodiscard]] const std::vector<SlowAnswer>& SlowAnswers() const noexcept { return slow_; }

 private:
  // Far beyond any goal: a window this slow counts as not answering.
  static constexpr UINT kGiveUpMs = 10000;
  static constexpr DWORD kPeriodMs = 10;
  static constexpr size_t kSlowKept = 20;

  void Probe(HWND window) {
    while (!done_) {
      const double sent = NowMs();
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
      Keep(sent, NowMs() - sent);
      ::Sleep(kPeriodMs);
    }
    finished_ = true;
  }

  void Keep(double sent, double tookMs) {
    if (tookMs > longestMs_) {
      longestMs_ = tookMs;
      longestSentMs_ = sent - start_;
    }
    ++probes_;
    if (tookMs > kSlowAnswerMs && slow_.size() < kSlowKept)
      slow_.push_back({sent - start_, tookMs});
  }

  const double start_;
  std::atomic<bool> done_{false};
  std::atomic<bool> finished_{false};
  double longestMs_ = 0;
  double longestSentMs_ = 0;
  int probes_ = 0;
  std::vector<SlowAnswer> slow_;
  std::thread thread_;  // last, so that it starts once the rest is set
};

// Paints whatever this thread's windows have waiting to be painted: what a
// user sees once the scan has returned comes only after this.
void PaintPending() {
  MSG msg;
  while (HIWORD(::GetQueueStatus(QS_PAINT)) & QS_PAINT) {
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) ::DispatchMessageA(&msg);
  }
}

}  // namespace

Timing BareLoop(const std::string& folder) {
  const std::atomic<bool> neverStopped{false};
  int listed = 0;
  const double cpuStart = ProcessCpuMs();
  const double start = NowMs();
  libinfo::LibraryScan(folder).Run(neverStopped, [&listed](libinfo::LibraryRow&&) { ++listed; });
  return {NowMs() - start, ProcessCpuMs() - cpuStart, listed};
}

Timing ThreadedBareLoop(const std::string& folder) {
  Timing timing;
  const double start = NowMs();
  std::thread reading([&timing, &folder] { timing = BareLoop(folder); });
  reading.join();
  timing.wallMs = NowMs() - start;
  return timing;
}

Course BareLoopCourse(const std::string& folder, bool onOwnThread) {
  std::vector<double> stamps;
  const auto read = [&stamps, &folder] {
    const std::atomic<bool> neverStopped{false};
    libinfo::LibraryScan(folder).Run(
        neverStopped, [&stamps](libinfo::LibraryRow&&) { stamps.push_back(NowMs()); });
  };
  Settle();  // the same quiet before each, as in the pairs
  const double start = NowMs();
  if (onOwnThread) {
    std::thread(read).join();
  } else {
    read();
  }
  Course course;
  course.listed = static_cast<int>(stamps.size());
  if (stamps.empty()) return course;
  course.firstRowMs = stamps.front() - start;
  for (size_t row = 1; row < stamps.size(); ++row) {
    const double gap = stamps[row] - stamps[row - 1];
    if (gap >= 20) course.stalls.emplace_back(static_cast<int>(row), gap);
  }
  for (size_t quarter = 0; quarter < 4; ++quarter) {
    const size_t last = std::max<size_t>(1, stamps.size() * (quarter + 1) / 4) - 1;
    course.quarterMs[quarter] = stamps[last] - start;
  }
  return course;
}

Timing WindowScan(const std::string& folder) {
  ShownWindow window(folder);
  return window.TimedRefresh();
}

StopResult StoppedScan(const std::string& folder, int stopAt) {
  ShownWindow window(folder);
  StopPress press(stopAt);
  window->tbRefreshClick();
  const double end = NowMs();
  PaintPending();
  const double painted = NowMs();
  StopResult result;
  result.clicked = press.Clicked();
  result.clickToReturnMs = press.Clicked() ? end - press.PostedAt() : 0;
  result.clickToPaintedMs = press.Clicked() ? painted - press.PostedAt() : 0;
  if (press.HandledAt() != 0) result.clickToHandledMs = press.HandledAt() - press.PostedAt();
  if (press.DestroyedAt() != 0) result.clickToDialogGoneMs = press.DestroyedAt() - press.PostedAt();
  result.countWhenClicked = press.CountWhenClicked();
  result.rows = window->RowCount();
  result.lastCaptionCount = press.LastCaptionCount();
  return result;
}

AnswerResult ProbedScan(const std::string& folder) {
  ShownWindow window(folder);
  AnswerProbe probe(window->Handle());
  const double scanStart = NowMs();
  window->tbRefreshClick();
  const double scanEnd = NowMs();
  probe.Finish();
  AnswerResult result;
  result.longestMs = probe.LongestMs();
  result.longestSentMs = probe.LongestSentMs();
  result.probes = probe.Probes();
  result.rows = window->RowCount();
  result.scanStartMs = scanStart - probe.StartedAt();
  result.scanEndMs = scanEnd - probe.StartedAt();
  result.slow = probe.SlowAnswers();
  return result;
}

RefreshResult RefreshOverFullList(const std::string& folder) {
  ShownWindow window(folder);
  RefreshResult result;
  result.intoEmptyMs = window.TimedRefresh().wallMs;
  result.replacingMs = window.TimedRefresh().wallMs;
  result.rows = window->RowCount();
  return result;
}

namespace {

constexpr char kChildOption[] = "--memory-child";

int RunMemoryChild(const std::string& folder, const std::string& resultFile, MemoryPlan plan) {
  if (plan.afterFirstScan) {
    const EmptyFolder empty;
    WindowScan(empty.Path());
  }
  ShownWindow window(folder);
  const MemorySample before = SampleMemory();
  const int rows = plan.what == MemoryOf::BareLoop ? BareLoop(folder).listed
                                                   : (window.TimedRefresh(), window->RowCount());
  const MemorySample after = SampleMemory();
  std::ofstream out(resultFile);
  const auto growth = [](SIZE_T from, SIZE_T to) {
    return static_cast<long long>(to) - static_cast<long long>(from);
  };
  out << rows << ' ' << growth(before.privateUsage, after.privateUsage) << ' '
      << growth(before.pagefileUsage, after.pagefileUsage) << ' '
      << growth(before.committedPrivate, after.committedPrivate) << '\n';
  return out ? 0 : 1;
}

}  // namespace

// FOLDER RESULT_FILE scan|bare first|later
int RunMemoryChildIfAsked(int argc, char** argv) {
  if (argc != 6 || std::string(argv[1]) != kChildOption) return -1;
  MemoryPlan plan;
  plan.what = std::string(argv[4]) == "bare" ? MemoryOf::BareLoop : MemoryOf::Scan;
  plan.afterFirstScan = std::string(argv[5]) == "later";
  return RunMemoryChild(argv[2], argv[3], plan);
}

namespace {

constexpr char kSpinnerOption[] = "--spinner";

// This program again, with `arguments`; its main thread's handle is closed.
libinfo::UniqueHandle StartSelf(const std::string& arguments) {
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = "\"" + std::string(self) + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    throw std::runtime_error("cannot start " + command);
  }
  const libinfo::UniqueHandle thread(process.hThread);
  return libinfo::UniqueHandle(process.hProcess);
}

}  // namespace

BusyCore::BusyCore()
    : spinner_(
          StartSelf(std::string(kSpinnerOption) + " " + std::to_string(::GetCurrentProcessId()))) {
  ::Sleep(300);  // until it spins
}

BusyCore::~BusyCore() {
  ::TerminateProcess(spinner_.get(), 0);
  ::WaitForSingleObject(spinner_.get(), INFINITE);
}

int RunSpinnerIfAsked(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != kSpinnerOption) return -1;
  // A spinner left behind by a benchmark that died would spin for ever.
  const libinfo::UniqueHandle parent(
      ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::atoll(argv[2]))));
  if (!parent) return 1;
  for (;;) {
    std::atomic<unsigned> spins{0};  // a loop the compiler cannot drop
    while (spins.fetch_add(1, std::memory_order_relaxed) < 100'000'000u) {
    }
    if (::WaitForSingleObject(parent.get(), 0) != WAIT_TIMEOUT) return 0;
  }
}

MemoryResult MemoryPerRowInChild(const std::string& folder, MemoryPlan plan) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(sizeof temp, temp);
  const std::string resultFile =
      std::string(temp) + "libinfo-bench-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  const libinfo::UniqueHandle child =
      StartSelf(std::string(kChildOption) + " \"" + folder + "\" \"" + resultFile + "\" " +
                (plan.what == MemoryOf::BareLoop ? "bare" : "scan") + " " +
                (plan.afterFirstScan ? "later" : "first"));
  ::WaitForSingleObject(child.get(), INFINITE);
  MemoryResult result;
  std::ifstream in(resultFile);
  if (!(in >> result.rows >> result.privateGrowth >> result.pagefileGrowth >>
        result.committedGrowth)) {
    throw std::runtime_error("the memory child reported nothing");
  }
  in.close();
  ::DeleteFileA(resultFile.c_str());
  return result;
}

}  // namespace bench
