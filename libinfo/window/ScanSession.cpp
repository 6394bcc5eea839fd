#include "window/ScanSession.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "Failure.h"
#include "Waiting.h"
#include "window/Application.h"

namespace libinfo {

namespace {

// The count label changes at most 20 times a second: often enough to read
// as a running count.
constexpr std::chrono::milliseconds kCountInterval{50};
// A new count waits for this thread's next wake for something else (the
// clip's next frame, input), and wakes it by itself only after this long:
// every wake of this thread slows the reading thread's calls to the system.
constexpr std::chrono::milliseconds kCountLongestWait{250};

bool IsSet(HANDLE event) noexcept {
  return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

}  // namespace

// The latest count, shown on the label at most once an interval, and
// whatever it is when the scan ends.
class CountPacer {
 public:
  explicit CountPacer(TProgressDlg& dialog) noexcept : dialog_(dialog) {}
  CountPacer(const CountPacer&) = delete;
  CountPacer& operator=(const CountPacer&) = delete;
  // Goes before the dialog, on every way out of the scan, a failed one too.
  ~CountPacer() {
    try {
      ShowFinal();
    } catch (...) {
      // The dialog is about to go; a count it could not show is no failure.
    }
  }

  void Counted(int count) noexcept { count_ = count; }
  // The count the label shows: 0 while it shows none.
  [[nodiscard]] int Shown() const noexcept { return shown_; }

  // 0 once `interval` has passed since the count was last shown, else the
  // milliseconds left until then.
  [[nodiscard]] DWORD MillisecondsUntil(std::chrono::milliseconds interval) const noexcept {
    const auto since = Clock::now() - lastShown_;
    if (since >= interval) return 0;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(interval - since);
    return std::max<DWORD>(1, static_cast<DWORD>(wait.count()));
  }
  [[nodiscard]] bool Due() const noexcept { return MillisecondsUntil(kCountInterval) == 0; }

  // Shows a changed count once an interval has passed since the last one.
  void ShowIfDue() {
    if (count_ != shown_ && Due()) Show(Clock::now());
  }

  void ShowFinal() {
    if (count_ != shown_) Show(Clock::now());
  }

 private:
  using Clock = std::chrono::steady_clock;
  void Show(Clock::time_point now) {
    dialog_.ShowCount(count_);
    shown_ = count_;
    lastShown_ = now;
  }

  TProgressDlg& dialog_;
  int count_ = 0;
  int shown_ = 0;  // the label starts without a count
  Clock::time_point lastShown_{};
};

ScanSession::Progress::Progress(HWND owner, HWND centreOn) : dialog(owner, nullptr, centreOn) {
  ProgressDlg = &dialog;
  dialog.Stopped = false;
}

// Marked stopped first, so that its deactivation does not pull the focus back.
ScanSession::Progress::~Progress() {
  dialog.Stopped = true;
  dialog.Destroy();
  ProgressDlg = nullptr;
}

ScanSession::ScanSession(const LibraryScan& scan, const ScanRunner& runner, HWND owner,
                         RowStore& rows, HWND list)
    : paintHold_(list),
      progress_(owner, ::GetAncestor(list, GA_ROOT)),
      rows_(rows),
      list_(list),
      reading_(scan, runner, progress_.dialog.Stopped) {
  ListView_SetItemCountEx(list_, 0, 0);
  rows_.Clear();
}

ScanSession::~ScanSession() {
  rows_.Compact();
  Application().RepostQuit();
}

void ScanSession::Run() {
  CountPacer pacer(progress_.dialog);
  // Making the dialog and showing it each keep this thread from answering
  // other threads and programs for several milliseconds; answer what they
  // sent in between.
  AnswerSentMessages();
  // Showing the dialog takes the platform several milliseconds (mapping it,
  // moving the activation to it): time the reading need not wait for.
  progress_.dialog.Show();
  Await(pacer);
  reading_.Join();
}

bool ScanSession::StopAsked() const noexcept {
  return progress_.dialog.Stopped.load(std::memory_order_acquire);
}

// The window thread waits for input and for rows, never for the disk. Rows
// are taken when the count may change on the label anyway: waking for every
// file would cost this thread, and the platform's server that the reading
// thread needs for every file, a round trip a row. Waiting for the rows
// themselves only starts once the count has waited its longest. Once Stop
// is handled no row is taken any more; only the reading's end is awaited.
void ScanSession::Await(CountPacer& pacer) {
  const HANDLE events[] = {reading_.Finished(), reading_.RowsReady()};
  bool stopSeen = false;
  // Messages are handled at least once, even when the reading is over
  // before the first wait: a Refresh pressed meanwhile belongs to this scan.
  for (bool first = true; first || !IsSet(reading_.Finished()); first = false) {
    if (Application().QuitPending()) {
      // The thread is asked to end: nothing more is handled here but what
      // other threads and programs send, until the reading has seen the flag.
      progress_.dialog.Stopped = true;
      if (!stopSeen) KeepShownRows(pacer);
      WaitAnsweringSentMessages(reading_.Finished());
      return;
    }
    const DWORD untilOverdue = stopSeen ? INFINITE : pacer.MillisecondsUntil(kCountLongestWait);
    const DWORD watched = untilOverdue == 0 ? 2 : 1;
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(
        watched, events, untilOverdue ? untilOverdue : INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) ThrowLastError("MsgWaitForMultipleObjectsEx");
    // Stop among them: the reading thread sees it before its next entry.
    Application().ProcessMessagesUntilSet(progress_.dialog.Stopped);
    if (stopSeen) continue;
    if (StopAsked()) {
      stopSeen = true;
      KeepShownRows(pacer);
    } else if (pacer.Due()) {
      TakeRows(pacer);
      pacer.ShowIfDue();
    }
  }
  if (!stopSeen) TakeRows(pacer);
}

void ScanSession::TakeRows(CountPacer& pacer) {
  const std::vector<LibraryRow> taken = reading_.TakeRows();
  if (taken.empty()) return;
  for (const LibraryRow& row : taken) {
    try {
      rows_.Append(row);
    } catch (...) {
      // A row that cannot be kept is that entry's failure alone.
    }
  }
  SetListCount();
  pacer.Counted(rows_.Count());
}

// The count the user saw when pressing Stop is the list they get: rows
// taken but not yet counted on the label go like rows not yet read.
void ScanSession::KeepShownRows(CountPacer& pacer) {
  rows_.KeepFirst(pacer.Shown());
  SetListCount();
  pacer.Counted(rows_.Count());
}

void ScanSession::SetListCount() noexcept {
  ListView_SetItemCountEx(list_, rows_.Count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

}  // namespace libinfo
