// The scan as the user drives it: Refresh, Stop, closing, focus and edits,
// with the reading on a thread of its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/LibraryFolder.h"
#include "common/ProgramThreads.h"
#include "common/ScanProbe.h"
#include "common/ScanRunners.h"
#include "common/WindowWatch.h"
#include "Owned.h"
#include "version/VerInfo.h"
#include "window/Application.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Captions(const TSysLibInfoWin& window) {
  std::vector<std::string> names;
  for (int row = 0; row < window.RowCount(); ++row) names.push_back(window.CellText(row, 0));
  return names;
}

void PressStop() {
  PostMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0);
}

// A shown window over the typical folder, read by `runner`.
class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override { FillWithTypicalEntries(folder_); }
  TSysLibInfoWin& Window(ScanRunner runner = {}) {
    window_ = std::make_unique<TSysLibInfoWin>(folder_.Path(), std::move(runner));
    window_->Show();
    return *window_;
  }
  std::vector<std::string> ExpectedRows() const { return folder_.ExpectedRows(); }

  LibraryFolder folder_;
  std::unique_ptr<TSysLibInfoWin> window_;
  ScanProbe probe_;
};

TEST_F(ScanTest, ListsEveryFileWithVersionDataInFolderOrder) {
  TSysLibInfoWin& window = Window();
  window.ScanSystemLibraries();
  const auto expected = ExpectedRows();
  ASSERT_EQ(5u, expected.size());
  EXPECT_EQ(expected, Captions(window)) << "no folders, text, empty, broken or locked files";
  for (int row = 0; row < window.RowCount(); ++row) {
    const TVersionInfo info(folder_.Path() + "\\" + expected[row]);
    EXPECT_EQ(info.FileDescription(), window.CellText(row, 1));
    EXPECT_EQ(info.ProductName(), window.CellText(row, 2));
    EXPECT_EQ(info.FileVersion(), window.CellText(row, 3));
    EXPECT_EQ(info.ProductVersion(), window.CellText(row, 4));
    // The list's own view of the row: texts and the icon, asked of the window.
    char text[256] = {};
    LVITEMA item{};
    item.mask = LVIF_IMAGE | LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(window.lvLibList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(0, item.iImage);
    EXPECT_EQ(expected[row], text);
    LVITEMA cell{};
    cell.iSubItem = 3;
    cell.pszText = text;
    cell.cchTextMax = sizeof text;
    SendMessageA(window.lvLibList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
    EXPECT_EQ(info.FileVersion(), text);
  }
  ASSERT_EQ(1u, probe_.Dialogs().size());
  EXPECT_EQ("%d", probe_.Dialogs()[0].countAtShow);
  EXPECT_EQ("5 files", probe_.Dialogs()[0].countAtDestroy);
  EXPECT_TRUE(probe_.Dialogs()[0].stoppedAtDestroy) << "set before the dialog goes";
  EXPECT_EQ(nullptr, ProgressDlg) << "no dialog outlives its scan";
}

// At most 20 captions a second, so some counts are skipped; but they only
// rise, and the last one before the dialog goes is the final count, however
// soon it follows the one before.
TEST_F(ScanTest, CountRisesToTheFinalNumberBeforeTheDialogGoes) {
  Window(SlowReading(30)).ScanSystemLibraries();
  const auto& counts = probe_.Counts();
  const auto& times = probe_.CountTimes();
  ASSERT_FALSE(counts.empty());
  EXPECT_GE(counts.size(), 2u) << "the count moves while a slow scan runs";
  for (size_t i = 1; i < counts.size(); ++i) {
    EXPECT_LT(std::atoi(counts[i - 1].c_str()), std::atoi(counts[i].c_str()));
    if (i + 1 == counts.size()) break;
    EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(49))
        << "caption " << i << " came too soon after the one before";
  }
  EXPECT_EQ("5 files", counts.back());
  EXPECT_EQ("5 files", probe_.Dialogs().at(0).countAtDestroy);
}

// A new count normally waits for the clip's next frame to be shown. With the
// clip stopped nothing else wakes the window thread, and the count must
// still move on its own, within its longest wait of a quarter second. The
// reading lists the second file only once the clip has stopped, then holds
// until Stop, which comes when the label shows that file: the hold lasts
// eight times the longest wait, a margin no scheduling delay on a busy
// machine comes near, so a count that waits for a wake nothing gives never
// shows it and the reading goes on to its end.
TEST_F(ScanTest, CountMovesWhenNothingElseWakesTheWindow) {
  constexpr DWORD kHoldMs = 2000;
  const UniqueHandle clipStopped(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  TSysLibInfoWin& window = Window([&](const LibraryScan& scan, const std::atomic<bool>& stopped,
                                      const LibraryScan::RowSink& sink) {
    int listed = 0;
    return scan.Run(stopped, [&](LibraryRow&& row) {
      if (++listed == 2) WaitForSingleObject(clipStopped.get(), 10000);
      sink(std::move(row));
      if (listed != 2) return;
      for (const DWORD start = GetTickCount(); !stopped && GetTickCount() - start < kHoldMs;) {
        Sleep(2);
      }
    });
  });
  probe_.AfterListed(1, [&] {
    SendMessageA(ProgressDlg->Animate1, ACM_STOP, 0, 0);
    SetEvent(clipStopped.get());
  });
  probe_.AfterListed(2, PressStop);
  window.ScanSystemLibraries();
  const auto expected = ExpectedRows();
  EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.begin() + 2), Captions(window))
      << "the count did not show the second file while the reading held for " << kHoldMs
      << " ms; the label showed " << ::testing::PrintToString(probe_.Counts());
}

// Stop at the first file, in the middle and after the last: the rows are
// the files listed when Stop was handled, and the label says so.
class StopAt : public ScanTest, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(Files, StopAt, ::testing::Values(1, 2, 5));

TEST_P(StopAt, KeepsTheRowsListedUntilThen) {
  const int at = GetParam();
  TSysLibInfoWin& window = Window(HoldAfter(at));
  probe_.AfterListed(at, PressStop);
  window.ScanSystemLibraries();
  const auto expected = ExpectedRows();
  EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.begin() + at), Captions(window));
  EXPECT_EQ(std::to_string(at) + " files", probe_.Dialogs().at(0).countAtDestroy);
}

TEST_F(ScanTest, StopHidesTheDialogAtOnce) {
  TSysLibInfoWin& window = Window(HoldAfter(1));
  bool visibleAfterStop = true;
  probe_.AfterListed(1, [&] {
    SendMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0);
    visibleAfterStop = IsWindowVisible(ProgressDlg->Handle());
  });
  window.ScanSystemLibraries();
  EXPECT_FALSE(visibleAfterStop);
  EXPECT_EQ(1, window.RowCount());
}

TEST_F(ScanTest, DialogCloseButtonActsLikeStop) {
  TSysLibInfoWin& window = Window(HoldAfter(1));
  probe_.AfterListed(1, [&] { PostMessageA(ProgressDlg->Handle(), WM_CLOSE, 0, 0); });
  window.ScanSystemLibraries();
  EXPECT_EQ(1, window.RowCount());
}

TEST_F(ScanTest, StopAndCloseTogetherEndTheScanThenTheWindow) {
  TSysLibInfoWin& window = Window(HoldAfter(2));
  probe_.AfterListed(2, [&] {
    PressStop();
    PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
  });
  PostMessageA(window.Handle(), WM_COMMAND, TSysLibInfoWin::tbRefresh, 0);
  window.ScanStarted = true;  // only the Refresh above scans
  Application().RunModal(window);
  EXPECT_EQ(2, window.RowCount());
  EXPECT_FALSE(IsWindowVisible(window.Handle())) << "closed once the scan was over";
}

void DeleteMemoryDc(HDC dc) noexcept {
  DeleteDC(dc);
}

// The window's pixels as they are on screen now, frame included.
std::vector<DWORD> WindowPixels(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  void* bits = nullptr;
  const std::unique_ptr<HDC__, std::function<void(HDC)>> screen(
      GetWindowDC(window), [window](HDC dc) { ReleaseDC(window, dc); });
  const Owned<HDC, DeleteMemoryDc> memory(CreateCompatibleDC(screen.get()));
  const UniqueBitmap bitmap(
      CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!screen || !memory || !bitmap) return pixels;
  const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
  GdiFlush();
  std::copy_n(static_cast<const DWORD*>(bits), pixels.size(), pixels.begin());
  SelectObject(memory.get(), old);
  return pixels;
}

// Until no window of this thread has anything left to paint.
void WaitForPaint() {
  PumpUntil([] { return !(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT); });
}

// Scans, lets the window paint in its turn, and returns what it painted and
// what a full repaint asked for afterwards paints.
std::pair<std::vector<DWORD>, std::vector<DWORD>> ScanAndRepaint(TSysLibInfoWin& window) {
  window.ScanSystemLibraries();
  WaitForPaint();
  auto painted = WindowPixels(window.Handle());
  RedrawWindow(window.Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return {std::move(painted), WindowPixels(window.Handle())};
}

// The list takes its rows, header and scroll bars while the window's painting
// is held; what the window then paints in its turn must be all of it: the
// same pixels as a full repaint.
TEST_F(ScanTest, WindowPaintsTheNewRowsWithoutBeingAsked) {
  TSysLibInfoWin window(folder_.Path(), MadeUpRows(60, "text"));
  window.ScanStarted = true;  // the scans below are the only ones
  window.Show();
  WaitForPaint();
  const auto empty = WindowPixels(window.Handle());
  const auto [first, firstRepainted] = ScanAndRepaint(window);
  ASSERT_EQ(60, window.RowCount());
  ASSERT_NE(empty, firstRepainted) << "the pixels are read back: rows and a scroll bar came";
  EXPECT_TRUE(first == firstRepainted) << "a part of the window was left unpainted";
  const auto [again, againRepainted] = ScanAndRepaint(window);
  EXPECT_TRUE(again == againRepainted) << "after a rescan replacing the rows";

  TSysLibInfoWin& stopped = Window(HoldAfter(2));
  probe_.AfterListed(2, PressStop);
  const auto [atStop, atStopRepainted] = ScanAndRepaint(stopped);
  ASSERT_EQ(2, stopped.RowCount());
  EXPECT_TRUE(atStop == atStopRepainted) << "after a Stop";
}

// The dialog takes the activation from the window while the window's caption
// is only marked for painting: once painted in its turn, it must show the
// window inactive, as a full repaint does.
TEST_F(ScanTest, WindowCaptionShowsTheDialogHasTheActivation) {
  TSysLibInfoWin window(folder_.Path(), HoldAfter(1));
  window.ScanStarted = true;  // the scan below is the only one
  window.Show();
  WaitForPaint();
  const auto active = WindowPixels(window.Handle());
  std::vector<DWORD> painted, repainted;
  probe_.AfterListed(1, [&] {
    WaitForPaint();
    painted = WindowPixels(window.Handle());
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    repainted = WindowPixels(window.Handle());
    PressStop();
  });
  window.ScanSystemLibraries();
  ASSERT_FALSE(painted.empty());
  ASSERT_NE(active, repainted) << "the pixels are read back: the caption changed";
  EXPECT_TRUE(painted == repainted) << "the caption still showed the window active";
}

// Counts the timer ticks the animation control takes off this thread's
// queue.
HWND g_animation = nullptr;
int g_animationTicks = 0;

LRESULT CALLBACK CountAnimationTicks(int code, WPARAM removed, LPARAM message) {
  const MSG& msg = *reinterpret_cast<const MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE && msg.message == WM_TIMER &&
      msg.hwnd == g_animation) {
    ++g_animationTicks;
  }
  return CallNextHookEx(nullptr, code, removed, message);
}

void Unhook(HHOOK hook) noexcept {
  UnhookWindowsHookEx(hook);
}

// The animation's frames come on the window thread's timer, so they must
// keep coming while that thread waits on a reading that holds still. The
// platform here ships the clip with frames that look alike, so the frames'
// ticks are counted rather than their pixels compared.
TEST_F(ScanTest, AnimationKeepsPlayingWhileTheReadingHoldsStill) {
  TSysLibInfoWin& window = Window(HoldAfter(1));
  std::thread stopper;
  int ticksAtHold = -1;
  probe_.AfterListed(1, [&] {
    g_animation = ProgressDlg->Animate1;
    ticksAtHold = g_animationTicks;
    stopper = std::thread([stop = ProgressDlg->bbStop] {
      Sleep(1600);
      PostMessageA(stop, BM_CLICK, 0, 0);
    });
  });
  g_animationTicks = 0;
  const Owned<HHOOK, Unhook> hook(
      SetWindowsHookExA(WH_GETMESSAGE, CountAnimationTicks, nullptr, GetCurrentThreadId()));
  window.ScanSystemLibraries();
  g_animation = nullptr;
  ASSERT_TRUE(stopper.joinable()) << "the reading held after the first file";
  stopper.join();
  // The clip here shows a frame every 500 ms.
  EXPECT_GE(g_animationTicks - ticksAtHold, 2) << "the animation stood still during the scan";
}

// Where the shell library has no clip the control can play, the plug-in's
// own stands in: it loops, so the control's pixels keep changing, and its
// background is left out, so the dialog's face shows around the picture.
TEST(ProgressAnimation, OwnClipLoopsWhereTheShellLibraryHasNone) {
  TProgressDlg dialog(nullptr, "version.dll");
  dialog.Show(SW_SHOWNOACTIVATE);
  std::vector<std::vector<DWORD>> frames;
  PumpUntil([&] {
    auto now = WindowPixels(dialog.Animate1);
    if (frames.empty() || now != frames.back()) frames.push_back(std::move(now));
    return frames.size() >= 5;
  });
  EXPECT_GE(frames.size(), 5u) << "the animation stood still";
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const DWORD faceInPixels = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  EXPECT_EQ(faceInPixels, frames.back().front() & 0xFFFFFF) << "the clip's key colour showed";
}

// Orders what the window thread does as a scan starts: a message another
// thread sends while the dialog is being made, and the dialog's showing.
class ScanStartOrder {
 public:
  explicit ScanStartOrder(HWND window) : window_(window) {
    active_ = this;
    create_.reset(SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId()));
    call_.reset(SetWindowsHookExA(WH_CALLWNDPROC, OnCall, nullptr, GetCurrentThreadId()));
  }
  ~ScanStartOrder() {
    create_.reset();
    call_.reset();
    if (sender_.joinable()) sender_.join();
    active_ = nullptr;
  }
  [[nodiscard]] const std::vector<std::string>& Seen() const { return seen_; }

 private:
  static constexpr WPARAM kMarker = 0x5E17;
  static void Unhook(HHOOK hook) noexcept { UnhookWindowsHookEx(hook); }
  using UniqueHook = Owned<HHOOK, Unhook>;

  static bool IsProgressDialog(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return std::string(name) == "LibInfoProgressDlg";
  }
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && active_ && IsProgressDialog(reinterpret_cast<HWND>(wParam))) {
      active_->SendFromAnotherThread();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static LRESULT CALLBACK OnCall(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && active_) active_->Called(*reinterpret_cast<CWPSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  // Returns once the other thread's message waits in this thread's queue.
  void SendFromAnotherThread() {
    if (sender_.joinable()) return;
    sender_ = std::thread([this] {
      DWORD_PTR answer = 0;
      SendMessageTimeoutA(window_, WM_NULL, kMarker, 0, SMTO_NORMAL, 10000, &answer);
    });
    const DWORD start = GetTickCount();
    while (!(GetQueueStatus(QS_SENDMESSAGE) & (QS_SENDMESSAGE | (QS_SENDMESSAGE << 16))) &&
           GetTickCount() - start < 10000) {
      Sleep(1);
    }
  }
  void Called(const CWPSTRUCT& call) {
    if (call.hwnd == window_ && call.message == WM_NULL && call.wParam == kMarker) {
      seen_.push_back("answered");
    } else if (call.message == WM_SHOWWINDOW && call.wParam && IsProgressDialog(call.hwnd)) {
      seen_.push_back("dialog shown");
    }
  }

  static inline ScanStartOrder* active_ = nullptr;
  HWND window_;
  UniqueHook create_;
  UniqueHook call_;
  std::thread sender_;
  std::vector<std::string> seen_;
};

// Making the dialog and showing it each take the platform milliseconds: a
// program asking the window something meanwhile is answered in between.
TEST_F(ScanTest, MessageSentWhileTheDialogIsMadeIsAnsweredBeforeItIsShown) {
  TSysLibInfoWin& window = Window();
  window.ScanStarted = true;
  ScanStartOrder order(window.Handle());
  window.ScanSystemLibraries();
  const std::vector<std::string> expected{"answered", "dialog shown"};
  EXPECT_EQ(expected, order.Seen());
}

// Holding the window's painting must not be what shows a hidden window.
TEST_F(ScanTest, AHiddenWindowStaysHiddenThroughAScan) {
  TSysLibInfoWin window(folder_.Path());
  window.ScanSystemLibraries();
  EXPECT_EQ(5, window.RowCount());
  EXPECT_FALSE(GetWindowLongPtrA(window.Handle(), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(ScanTest, RefreshTwiceLeavesOneRowPerFileAndAFreshDialog) {
  TSysLibInfoWin& window = Window();
  window.tbRefreshClick();
  window.tbRefreshClick();
  EXPECT_EQ(ExpectedRows(), Captions(window));
  ASSERT_EQ(2u, probe_.Dialogs().size());
  for (const auto& dialog : probe_.Dialogs()) {
    EXPECT_EQ("%d", dialog.countAtShow);
    EXPECT_FALSE(dialog.stoppedAtShow);
  }
}

TEST_F(ScanTest, RefreshDuringAScanStartsNoSecondScan) {
  TSysLibInfoWin& window = Window(SlowReading(20));
  probe_.AfterListed(1, [&] {
    PostMessageA(window.Handle(), WM_COMMAND, TSysLibInfoWin::tbRefresh, 0);
    PostMessageA(window.lvLibList, WM_KEYDOWN, VK_F5, 0);
  });
  window.ScanSystemLibraries();
  EXPECT_EQ(1u, probe_.Dialogs().size());
  EXPECT_EQ(1, probe_.MostDialogsAtOnce());
  EXPECT_EQ(ExpectedRows(), Captions(window));
}

TEST(ScanFolders, WithoutVersionDataTheCountLabelStaysUntouched) {
  LibraryFolder bare;
  bare.WriteFile("a.txt", "text");
  bare.WriteFile("b.dll", "");
  TSysLibInfoWin window(bare.Path());
  window.Show();
  ScanProbe probe;
  window.ScanSystemLibraries();
  EXPECT_EQ(0, window.RowCount());
  ASSERT_EQ(1u, probe.Dialogs().size());
  EXPECT_EQ("%d", probe.Dialogs()[0].countAtDestroy);
}

TEST(ScanFolders, MissingFolderEndsWithAnEmptyList) {
  LibraryFolder folder;
  TSysLibInfoWin window(folder.Path() + "\\does not exist");
  window.Show();
  window.ScanSystemLibraries();
  EXPECT_EQ(0, window.RowCount());
  EXPECT_EQ(nullptr, ProgressDlg);
}

// Runs `runner` (the real scan when empty) and keeps a handle to the thread
// it runs on, the scan's reading thread.
ScanRunner NotingTheThread(UniqueHandle& reading, ScanRunner runner = {}) {
  return [&reading, runner = std::move(runner)](const LibraryScan& scan,
                                                const std::atomic<bool>& stopped,
                                                const LibraryScan::RowSink& sink) {
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self,
                    SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0);
    reading.reset(self);
    return runner ? runner(scan, stopped, sink) : scan.Run(stopped, sink);
  };
}

bool Ended(const UniqueHandle& thread) {
  return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
}

// The reading thread has ended when the scan returns, and no other thread of
// the program's code is left; the platform's own threads, which it starts
// and ends as it pleases, are not counted. Each list is taken before any
// check, as a failed check may start a thread of the test framework's.
TEST_F(ScanTest, NoReadingThreadOutlivesItsScan) {
  UniqueHandle reading;
  ThreadList before = ProgramThreads();
  Window(NotingTheThread(reading)).ScanSystemLibraries();
  ThreadList after = ProgramThreads();
  ASSERT_TRUE(reading) << "the scan ran on a thread of its own";
  EXPECT_TRUE(Ended(reading)) << "the reading thread still ran when a scan run to its end returned";
  EXPECT_TRUE(DescribeNewThreads(before, after).empty())
      << "threads left by a scan run to its end:" << DescribeNewThreads(before, after);

  reading.reset();
  TSysLibInfoWin& held = Window(NotingTheThread(reading, HoldAfter(1)));
  ThreadList during;
  probe_.AfterListed(1, [&] {
    during = ProgramThreads();
    PressStop();
  });
  before = ProgramThreads();
  held.ScanSystemLibraries();
  after = ProgramThreads();
  ASSERT_TRUE(reading);
  EXPECT_EQ(1u, during.count(GetThreadId(reading.get())))
      << "the reading thread counts among the program's while it runs";
  EXPECT_TRUE(Ended(reading)) << "the reading thread still ran when a stopped scan returned";
  EXPECT_TRUE(DescribeNewThreads(before, after).empty())
      << "threads left by a stopped scan:" << DescribeNewThreads(before, after);
}

// A failure of the reading thread as a whole reaches the window thread, is
// shown once like any failure of a window, and the next Refresh works.
TEST(ScanFailure, IsShownOnceAndTheWindowWorksAfter) {
  LibraryFolder folder;
  FillWithTypicalEntries(folder);
  int failures = 0;
  TSysLibInfoWin window(folder.Path(),
                        [&failures](const LibraryScan& scan, const std::atomic<bool>& stopped,
                                    const LibraryScan::RowSink& sink) {
                          if (failures++ == 0)
                            return FailAfter(2, "The disk went away.")(scan, stopped, sink);
                          return scan.Run(stopped, sink);
                        });
  window.Show();
  window.ScanStarted = true;
  ScanProbe probe;
  std::vector<std::string> shown;
  std::thread watcher([&shown] {
    using namespace testing_windows;
    for (HWND box; (box = WaitForTopLevelWindow(GetCurrentProcessId(), kDialogClass, "Error",
                                                shown.empty() ? 10s : 1s));) {
      shown.push_back(MessageBoxText(box));
      PressOk(box);
      for (int wait = 0; wait < 200 && IsWindow(box); ++wait) Sleep(10);
    }
  });
  PostMessageA(window.Handle(), WM_COMMAND, TSysLibInfoWin::tbRefresh, 0);
  PumpUntil([&] { return !shown.empty() && !window.Scanning(); }, 15000);
  PumpUntil([] { return false; }, 1500);  // time for a second box, which must not come
  watcher.join();
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(std::string::npos, shown[0].find("The disk went away.")) << shown[0];
  EXPECT_EQ(nullptr, ProgressDlg);
  EXPECT_EQ(2, window.RowCount()) << "the rows read before the failure stay";
  ASSERT_EQ(1u, probe.Dialogs().size());
  EXPECT_EQ("2 files", probe.Dialogs()[0].countAtDestroy) << "the final count, failure or not";

  window.tbRefreshClick();
  EXPECT_EQ(folder.ExpectedRows(), Captions(window));
}

TEST_F(ScanTest, FocusReturnsToTheDialogWhileScanningAndNotAfter) {
  TSysLibInfoWin& window = Window(SlowReading(60));
  HWND activeLater = nullptr;
  HWND activeAfterClick = nullptr;
  probe_.AfterListed(1, [&] {
    SetActiveWindow(window.Handle());
    activeAfterClick = GetActiveWindow();
  });
  probe_.AfterListed(3, [&] { activeLater = GetActiveWindow(); });
  HWND dialog = nullptr;
  probe_.AfterListed(2, [&] { dialog = ProgressDlg->Handle(); });
  window.ScanSystemLibraries();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(window.Handle(), activeAfterClick);
  EXPECT_EQ(dialog, activeLater) << "clicking the window during a scan gives the focus back";
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(window.Handle(), GetActiveWindow()) << "the finished scan leaves the window usable";
}

TEST_F(ScanTest, EditedCaptionChangesOnlyThatCaptionUntilRefresh) {
  TSysLibInfoWin& window = Window();
  window.ScanSystemLibraries();
  const auto before = Captions(window);
  const std::string description = window.CellText(1, 1);
  SetFocus(window.lvLibList);
  ListView_SetItemState(window.lvLibList, 1, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  PostMessageA(window.lvLibList, WM_KEYDOWN, VK_F2, 0);  // F2 edits the selected caption
  Application().ProcessMessages();
  HWND edit = ListView_GetEditControl(window.lvLibList);
  ASSERT_NE(nullptr, edit);
  SetWindowTextA(edit, "*.dll");
  SetFocus(window.Handle());  // leaving the editor keeps the new text
  PumpUntil([&] { return ListView_GetEditControl(window.lvLibList) == nullptr; });
  EXPECT_EQ("*.dll", window.CellText(1, 0));
  EXPECT_EQ(description, window.CellText(1, 1));
  EXPECT_EQ(before[0], window.CellText(0, 0));
  char text[64] = {};
  ListView_GetItemText(window.lvLibList, 1, 0, text, sizeof text);
  EXPECT_STREQ("*.dll", text) << "the list shows the edit";

  window.tbRefreshClick();
  EXPECT_EQ(before, Captions(window));
}

TEST_F(ScanTest, TypingSelectsTheFirstRowStartingWithTheLetters) {
  TSysLibInfoWin& window = Window();
  window.ScanSystemLibraries();
  const auto rows = Captions(window);
  SetFocus(window.lvLibList);
  const std::string target = rows.at(3);
  // The key data says one keystroke each; the list ignores characters without it.
  for (const char c : target.substr(0, 3)) PostMessageA(window.lvLibList, WM_CHAR, c, 1);
  PumpUntil([&] { return ListView_GetNextItem(window.lvLibList, -1, LVNI_SELECTED) >= 0; });
  const int selected = ListView_GetNextItem(window.lvLibList, -1, LVNI_SELECTED);
  ASSERT_GE(selected, 0);
  EXPECT_EQ(0, _strnicmp(target.c_str(), rows[selected].c_str(), 3)) << rows[selected];
}

TEST_F(ScanTest, CloseDuringARescanClosesWhenItEnds) {
  TSysLibInfoWin& window = Window(SlowReading(20));
  window.ScanSystemLibraries();
  probe_.AfterListed(2, [&] { PostMessageA(window.Handle(), WM_CLOSE, 0, 0); });
  PostMessageA(window.Handle(), WM_COMMAND, TSysLibInfoWin::tbRefresh, 0);
  Application().RunModal(window);
  EXPECT_TRUE(IsWindow(window.Handle())) << "the window is hidden, not destroyed";
  EXPECT_EQ(ExpectedRows(), Captions(window)) << "the close did not cut the rescan short";
}

TEST(FirstScan, StartsAfterTheFirstActivationAndHonoursAnEarlyClose) {
  LibraryFolder folder;
  FillWithTypicalEntries(folder);
  TSysLibInfoWin window(folder.Path(), SlowReading(20));
  ScanProbe probe;
  probe.AfterListed(1, [&] {
    EXPECT_TRUE(window.ScanStarted);
    EXPECT_TRUE(IsWindowVisible(window.Handle())) << "the window shows before the scan runs";
    PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
  });
  Application().RunModal(window);
  EXPECT_EQ(1u, probe.Dialogs().size()) << "later activations do not scan again";
  EXPECT_EQ(folder.ExpectedRows(), Captions(window));
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
}

TEST(FirstScan, EscapeClosesTheWindowOnceTheScanIsOver) {
  LibraryFolder folder;
  FillWithTypicalEntries(folder);
  TSysLibInfoWin window(folder.Path());
  ScanProbe probe;
  PostMessageA(window.lvLibList, WM_KEYDOWN, VK_ESCAPE, 0);
  Application().RunModal(window);
  EXPECT_EQ(folder.ExpectedRows(), Captions(window));
}

std::atomic<bool> stopAsked{false};
int othersHandled = 0;
constexpr UINT kAskStop = WM_APP + 10;
constexpr UINT kOther = WM_APP + 11;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kAskStop) stopAsked = true;
  if (message == kOther) ++othersHandled;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The scan's pump hands control back right after the message that asked it
// to stop, leaving what followed (the paints the hiding caused) for later;
// asked again with the flag set, it empties the queue instead of leaving
// input waiting, which would spin the scan's wait.
TEST(ScanPump, ReturnsRightAfterTheMessageThatSetsTheFlag) {
  WNDCLASSA counting{};
  counting.lpfnWndProc = CountingProc;
  counting.hInstance = GetModuleHandleA(nullptr);
  counting.lpszClassName = "LibInfoTestCounting";
  ASSERT_NE(0, RegisterClassA(&counting));
  const UniqueWindow target(CreateWindowA(counting.lpszClassName, nullptr, 0, 0, 0, 0, 0,
                                          HWND_MESSAGE, nullptr, counting.hInstance, nullptr));
  ASSERT_TRUE(target);
  for (UINT message : {kOther, kAskStop, kOther, kOther}) {
    PostMessageA(target.get(), message, 0, 0);
  }
  Application().ProcessMessagesUntilSet(stopAsked);
  EXPECT_TRUE(stopAsked);
  EXPECT_EQ(1, othersHandled) << "only what came before the stop";
  Application().ProcessMessagesUntilSet(stopAsked);
  EXPECT_EQ(3, othersHandled);
}

}  // namespace
}  // namespace libinfo::testing
