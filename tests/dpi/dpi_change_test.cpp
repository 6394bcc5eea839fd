// Moving to a screen of another scale: the window and the dialog take the
// suggested rectangle and lay themselves out, font and pictures included,
// at the new DPI; column widths the user has dragged keep their share.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>

#include "DpiRun.h"
#include "window/Dpi.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

constexpr int kSlack = 2;

// What the system sends when the window moves to a screen of `dpi`.
RECT MoveToScreen(HWND window, UINT dpi, int width, int height) {
  RECT suggested{40, 30, 40 + width, 30 + height};
  SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  return suggested;
}

int FontHeight(HWND control) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

class DpiChange : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ThisRun().layoutDpi != 96 || !ThisRun().aware) GTEST_SKIP() << "run at 96 DPI only";
  }
};

TEST_F(DpiChange, LibraryWindowFollowsTheWindowToAnotherScaleAndBack) {
  TSysLibInfoWin window("C:\\made-up");
  window.Show();
  ListView_SetColumnWidth(window.lvLibList, 0, 200);  // dragged by the user
  const int designedFont = FontHeight(window.lvLibList);

  const RECT suggested = MoveToScreen(window.Handle(), 144, 825, 562);
  RECT frame{};
  GetWindowRect(window.Handle(), &frame);
  EXPECT_EQ(suggested.left, frame.left);
  EXPECT_EQ(suggested.top, frame.top);
  EXPECT_EQ(825, frame.right - frame.left);
  EXPECT_EQ(562, frame.bottom - frame.top);
  EXPECT_NEAR(39, Bounds(window.Panel1).bottom, kSlack);
  EXPECT_NEAR(33, Bounds(window.Panel2).right - Bounds(window.Panel2).left, kSlack);
  EXPECT_EQ(300, ListView_GetColumnWidth(window.lvLibList, 0)) << "the dragged width, in share";
  EXPECT_EQ(255, ListView_GetColumnWidth(window.lvLibList, 1));
  int picture = 0, unused = 0;
  ImageList_GetIconSize(window.BtnImageList.get(), &picture, &unused);
  EXPECT_EQ(30, picture);
  EXPECT_EQ(LOWORD(SendMessageA(window.ToolBar, TB_GETBUTTONSIZE, 0, 0)), Scaled(27, 144));
  EXPECT_EQ(designedFont * 3 / 2, FontHeight(window.lvLibList));

  MoveToScreen(window.Handle(), 96, 550, 375);
  EXPECT_EQ(200, ListView_GetColumnWidth(window.lvLibList, 0));
  EXPECT_EQ(170, ListView_GetColumnWidth(window.lvLibList, 1));
  EXPECT_EQ(26, Bounds(window.Panel1).bottom);
  ImageList_GetIconSize(window.BtnImageList.get(), &picture, &unused);
  EXPECT_EQ(20, picture);
  EXPECT_EQ(designedFont, FontHeight(window.lvLibList));
}

TEST_F(DpiChange, ProgressDialogFollowsTheWindowToAnotherScaleAndBack) {
  TProgressDlg dialog(nullptr);
  dialog.ShowCount(12345);
  const int designedFont = FontHeight(dialog.lbCnt);
  RECT before{};
  GetWindowRect(dialog.Handle(), &before);
  MoveToScreen(dialog.Handle(), 144, 340, 190);
  RECT frame{};
  GetWindowRect(dialog.Handle(), &frame);
  EXPECT_EQ(340, frame.right - frame.left);
  EXPECT_EQ(190, frame.bottom - frame.top);
  const RECT stop = Bounds(dialog.bbStop);
  EXPECT_EQ(Scaled(80, 144), stop.left);
  EXPECT_EQ(Scaled(72, 144), stop.top);
  EXPECT_EQ(Scaled(75, 144), stop.right - stop.left);
  EXPECT_EQ(Scaled(144, 144), Bounds(dialog.lbCnt).left);
  EXPECT_LE(Bounds(dialog.Label1).right, Bounds(dialog.lbCnt).left);
  EXPECT_EQ(designedFont * 3 / 2, FontHeight(dialog.lbCnt));

  MoveToScreen(dialog.Handle(), 96, before.right - before.left, before.bottom - before.top);
  EXPECT_EQ(80, Bounds(dialog.bbStop).left);
  EXPECT_EQ(144, Bounds(dialog.lbCnt).left);
  EXPECT_EQ(designedFont, FontHeight(dialog.lbCnt));
}

int HintFontHeight(const TSysLibInfoWin& window) {
  HWND hints = reinterpret_cast<HWND>(SendMessageA(window.ToolBar, TB_GETTOOLTIPS, 0, 0));
  return hints ? FontHeight(hints) : 0;
}

TEST_F(DpiChange, TheHintsFontFollowsTheWindow) {
  TSysLibInfoWin window("C:\\made-up");
  const int designed = HintFontHeight(window);
  ASSERT_NE(0, designed);
  MoveToScreen(window.Handle(), 144, 825, 562);
  EXPECT_NEAR(designed * 3 / 2, HintFontHeight(window), 1);
  MoveToScreen(window.Handle(), 96, 550, 375);
  EXPECT_EQ(designed, HintFontHeight(window));
}

// The children of a form that were painted while the hook was in place.
std::set<HWND> g_painted;

LRESULT CALLBACK NotePaints(int code, WPARAM wParam, LPARAM lParam) {
  const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call.message == WM_PAINT) g_painted.insert(call.hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A DPI change repaints every label of the form in the new font, in the
// next painting: none waits for something else to.
TEST_F(DpiChange, EveryLabelRepaintsAtOnce) {
  TProgressDlg dialog(nullptr);
  dialog.Show(SW_SHOWNOACTIVATE);
  TSysLibInfoWin window("C:\\made-up");
  window.Show();
  const HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, NotePaints, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  for (HWND form : {dialog.Handle(), window.Handle()}) {
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_painted.clear();
    RECT suggested{};
    GetWindowRect(form, &suggested);
    SendMessageA(form, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::string kind = ClassOf(child);
      if (kind != "Static" && kind != STATUSCLASSNAMEA) continue;
      EXPECT_TRUE(g_painted.count(child)) << "not repainted: a child of class " << kind;
    }
  }
  UnhookWindowsHookEx(hook);
}

// Whether the window's small icon was still a live icon each time a new one
// was set: one destroyed first leaves the caption drawing a freed handle.
struct IconSwap {
  HWND window = nullptr;
  int swaps = 0;
  int replacedDead = 0;
};
IconSwap g_iconSwap;

LRESULT CALLBACK WatchIconSwaps(int code, WPARAM wParam, LPARAM lParam) {
  const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call.hwnd == g_iconSwap.window && call.message == WM_SETICON &&
      call.wParam == ICON_SMALL) {
    ++g_iconSwap.swaps;
    const auto current =
        reinterpret_cast<HICON>(SendMessageA(call.hwnd, WM_GETICON, ICON_SMALL, 0));
    ICONINFO info{};
    if (current && !GetIconInfo(current, &info)) ++g_iconSwap.replacedDead;
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(DpiChange, TheWindowsIconIsReplacedBeforeItIsDestroyed) {
  TSysLibInfoWin window("C:\\made-up");
  g_iconSwap = {window.Handle()};
  const HHOOK hook =
      SetWindowsHookExA(WH_CALLWNDPROC, WatchIconSwaps, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  MoveToScreen(window.Handle(), 144, 825, 562);
  MoveToScreen(window.Handle(), 96, 550, 375);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(2, g_iconSwap.swaps);
  EXPECT_EQ(0, g_iconSwap.replacedDead);
  g_iconSwap = {};
}

}  // namespace
}  // namespace libinfo::testing
