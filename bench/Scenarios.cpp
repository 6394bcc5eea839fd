#include "Scenarios.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "Owned.h"
#include "window/PrgsDlg.h"

namespace bench {
namespace {

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

Timing WindowScan(const std::string& folder, int readers) {
  ShownWindow window(folder, readers);
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

}  // namespace bench
