// Where the windows open when the user has two monitors: the library window
// on its owner's, the scan's dialog centred on the library window's. The
// platform here shows one monitor; two made-up ones stand in for it.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/ScanProbe.h"
#include "common/ScanRunners.h"
#include "window/Monitors.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

const auto kFirst = reinterpret_cast<HMONITOR>(0x1001);
const auto kSecond = reinterpret_cast<HMONITOR>(0x1002);
RECT g_secondWork{3000, 200, 4280, 1224};
HWND g_onSecond = nullptr;  // the one window on the second monitor

HMONITOR WINAPI MadeUpMonitorFromWindow(HWND window, DWORD) {
  return window && window == g_onSecond ? kSecond : kFirst;
}

BOOL WINAPI MadeUpMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
  if (monitor != kFirst && monitor != kSecond) return FALSE;
  const RECT first{0, 0, 1600, 1000};
  info->rcMonitor = info->rcWork = monitor == kFirst ? first : g_secondWork;
  info->dwFlags = monitor == kFirst ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

class TwoMonitors : public ::testing::Test {
 protected:
  TwoMonitors() : saved_(Monitors()) {
    Monitors() = {MadeUpMonitorFromWindow, MadeUpMonitorInfo};
    g_secondWork = {3000, 200, 4280, 1224};
  }
  ~TwoMonitors() override {
    Monitors() = saved_;
    g_onSecond = nullptr;
  }

  // A window of the host's, which the test puts on the second monitor.
  struct HostWindow {
    HostWindow()
        : hwnd(CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                               nullptr, nullptr, nullptr)) {}
    ~HostWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
  };

 private:
  MonitorLookup saved_;
};

RECT Frame(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  return frame;
}

bool Inside(const RECT& frame, const RECT& area) {
  return frame.left >= area.left && frame.top >= area.top && frame.right <= area.right &&
         frame.bottom <= area.bottom;
}

TEST_F(TwoMonitors, TheLibraryWindowOpensOnItsOwnersMonitorAtTheSameOffset) {
  const HostWindow host;
  RECT unplaced{};
  {
    const TSysLibInfoWin alone("C:\\made-up");  // no owner: where the system puts it
    unplaced = Frame(alone.Handle());
  }
  g_onSecond = host.hwnd;
  const TSysLibInfoWin window("C:\\made-up", {}, host.hwnd);
  const RECT frame = Frame(window.Handle());
  EXPECT_TRUE(Inside(frame, g_secondWork))
      << frame.left << "," << frame.top << " " << frame.right << "," << frame.bottom;
  EXPECT_EQ(unplaced.right - unplaced.left, frame.right - frame.left) << "its size is kept";
  // The system's default places cascade, so only the offset's range is known.
  EXPECT_LT(frame.left - g_secondWork.left, 1600 - (frame.right - frame.left) + 1);
}

TEST_F(TwoMonitors, AWindowLargerThanTheWorkAreaKeepsItsCornerInside) {
  const HostWindow host;
  g_onSecond = host.hwnd;
  g_secondWork = {3000, 200, 3400, 500};
  const TSysLibInfoWin window("C:\\made-up", {}, host.hwnd);
  const RECT frame = Frame(window.Handle());
  EXPECT_EQ(g_secondWork.left, frame.left);
  EXPECT_EQ(g_secondWork.top, frame.top);
}

TEST_F(TwoMonitors, AnOwnerOnTheSameMonitorLeavesTheWindowWhereTheSystemPutIt) {
  const HostWindow host;
  const TSysLibInfoWin window("C:\\made-up", {}, host.hwnd);
  EXPECT_TRUE(Inside(Frame(window.Handle()), RECT{0, 0, 1600, 1000}));
}

// What a system with monitors of different scales does as the window moves
// onto the second: tells it the new DPI, with a rectangle of its own.
bool g_toldOfNewDpi = false;

LRESULT CALLBACK TellNewDpiOnTheMove(int code, WPARAM wParam, LPARAM lParam) {
  const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call.message == WM_WINDOWPOSCHANGED && !g_toldOfNewDpi &&
      GetWindow(call.hwnd, GW_OWNER) == g_onSecond && g_onSecond) {
    const auto& position = *reinterpret_cast<const WINDOWPOS*>(call.lParam);
    if (position.x >= g_secondWork.left) {
      g_toldOfNewDpi = true;
      RECT suggested{10, 10, 10 + 825, 10 + 562};
      SendMessageA(call.hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(TwoMonitors, TheNewDpisRectangleDoesNotUndoTheMove) {
  const HostWindow host;
  g_onSecond = host.hwnd;
  g_toldOfNewDpi = false;
  const HHOOK hook =
      SetWindowsHookExA(WH_CALLWNDPROC, TellNewDpiOnTheMove, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  const TSysLibInfoWin window("C:\\made-up", {}, host.hwnd);
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(g_toldOfNewDpi);
  const RECT frame = Frame(window.Handle());
  EXPECT_TRUE(Inside(frame, g_secondWork)) << frame.left << "," << frame.top;
  EXPECT_EQ(825, frame.right - frame.left) << "sized for the new DPI";
  EXPECT_EQ(562, frame.bottom - frame.top);
}

TEST_F(TwoMonitors, TheDialogIsCentredOnTheLibraryWindowsMonitor) {
  const HostWindow host;
  g_onSecond = host.hwnd;  // stands for the library window here
  const TProgressDlg dialog(nullptr, nullptr, host.hwnd);
  const RECT frame = Frame(dialog.Handle());
  EXPECT_NEAR((g_secondWork.left + g_secondWork.right) / 2, (frame.left + frame.right) / 2, 1);
  EXPECT_NEAR((g_secondWork.top + g_secondWork.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
}

TEST_F(TwoMonitors, AScansDialogFollowsTheLibraryWindowNotItsOwner) {
  const HostWindow host;  // the owner, on the first monitor
  TSysLibInfoWin window("C:\\made-up", MadeUpRows(50, "x"), host.hwnd);
  g_onSecond = window.Handle();  // the user moved the window to the second
  window.ScanStarted = true;
  RECT dialogFrame{};
  ScanProbe probe;
  probe.AfterListed(1, [&] { dialogFrame = Frame(ProgressDlg->Handle()); });
  window.ScanSystemLibraries();
  EXPECT_TRUE(Inside(dialogFrame, g_secondWork)) << dialogFrame.left << "," << dialogFrame.top;
}

}  // namespace
}  // namespace libinfo::testing
