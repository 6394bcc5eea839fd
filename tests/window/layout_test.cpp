// What the user sees before any scan: geometry, captions, columns, hints.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>

#include "common/ToolBarTexts.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo {
namespace {

RECT WindowBounds(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

// Position and size of a child relative to its parent's client area.
RECT ChildBounds(HWND child) {
  RECT r = WindowBounds(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Text(HWND hwnd) {
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

int TextWidthIn(HWND control, const char* text) {
  HDC dc = GetDC(control);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
  ReleaseDC(control, dc);
  return extent.cx;
}

std::string HintOf(const TSysLibInfoWin& window, int command) {
  return testing_windows::HintOf(window.ToolBar, command);
}

TEST(LibraryWindowLayout, FrameCaptionAndPanels) {
  TSysLibInfoWin window;
  const RECT frame = WindowBounds(window.Handle());
  EXPECT_EQ(550, frame.right - frame.left);
  EXPECT_EQ(375, frame.bottom - frame.top);
  EXPECT_EQ("System Library Info", Text(window.Handle()));
  EXPECT_TRUE(GetWindowLongA(window.Handle(), GWL_STYLE) & WS_THICKFRAME) << "resizable";
  EXPECT_NE(nullptr,
            reinterpret_cast<HICON>(SendMessageA(window.Handle(), WM_GETICON, ICON_SMALL, 0)));
  EXPECT_FALSE(window.ScanStarted);

  const RECT panel1 = ChildBounds(window.Panel1);
  EXPECT_EQ(0, panel1.top);
  EXPECT_EQ(26, panel1.bottom - panel1.top);
  const RECT panel2 = ChildBounds(window.Panel2);
  EXPECT_EQ(22, panel2.right - panel2.left);
  EXPECT_EQ(panel1.right - panel1.left, panel2.right) << "Panel2 sits at the right edge";
  const RECT image = ChildBounds(window.Image1);
  EXPECT_EQ(3, image.left);
  EXPECT_EQ(5, image.top);
  EXPECT_EQ(16, image.right - image.left);
  EXPECT_EQ(16, image.bottom - image.top);

  // The list fills what the panel and the status bar leave.
  RECT client{};
  GetClientRect(window.Handle(), &client);
  const RECT list = ChildBounds(window.lvLibList);
  const RECT status = ChildBounds(window.StatusBar1);
  EXPECT_EQ(26, list.top);
  EXPECT_EQ(status.top, list.bottom);
  EXPECT_EQ(client.bottom, status.bottom);
  EXPECT_EQ(client.right, list.right - list.left);
}

TEST(LibraryWindowLayout, FollowsResizing) {
  TSysLibInfoWin window;
  SetWindowPos(window.Handle(), nullptr, 0, 0, 800, 500, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{};
  GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, ChildBounds(window.Panel2).right);
  EXPECT_EQ(client.right, ChildBounds(window.lvLibList).right);
  EXPECT_EQ(client.bottom, ChildBounds(window.StatusBar1).bottom);
}

TEST(LibraryWindowLayout, ListColumnsAndStyles) {
  TSysLibInfoWin window;
  const char* captions[] = {"Library filename", "Library description ", "Library product name",
                            "File version", "Product version"};
  const int widths[] = {150, 170, 150, 90, 90};
  HWND header = ListView_GetHeader(window.lvLibList);
  ASSERT_EQ(5, Header_GetItemCount(header));
  for (int i = 0; i < 5; ++i) {
    char text[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    ASSERT_TRUE(
        SendMessageA(window.lvLibList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(captions[i], text);
    EXPECT_EQ(widths[i], column.cx);
  }
  const LONG style = GetWindowLongA(window.lvLibList, GWL_STYLE);
  EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_EDITLABELS) << "captions can be edited in place";
  EXPECT_TRUE(style & LVS_NOSORTHEADER) << "headers are not clickable";
  const DWORD extended = ListView_GetExtendedListViewStyle(window.lvLibList);
  EXPECT_TRUE(extended & LVS_EX_GRIDLINES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  HIMAGELIST images = ListView_GetImageList(window.lvLibList, LVSIL_SMALL);
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
  EXPECT_EQ(16, cx);
  EXPECT_EQ(1, ImageList_GetImageCount(images));
}

TEST(LibraryWindowLayout, ToolBarButtonsHintsAndStatusPanels) {
  TSysLibInfoWin window;
  ASSERT_EQ(5, SendMessageA(window.ToolBar, TB_BUTTONCOUNT, 0, 0));
  const int commands[] = {TSysLibInfoWin::ToolButton3, TSysLibInfoWin::tbRefresh,
                          TSysLibInfoWin::ToolButton2, TSysLibInfoWin::ToolButton1,
                          TSysLibInfoWin::ToolButton5};
  for (int i = 0; i < 5; ++i) {
    TBBUTTON button{};
    SendMessageA(window.ToolBar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(commands[i], button.idCommand);
    const bool separator = button.fsStyle & BTNS_SEP;
    EXPECT_EQ(i % 2 == 0, separator);
    if (separator) {
      EXPECT_EQ(8, button.iBitmap);
    }
  }
  const LRESULT size = SendMessageA(window.ToolBar, TB_GETBUTTONSIZE, 0, 0);
  EXPECT_EQ(27, LOWORD(size));
  EXPECT_EQ(26, HIWORD(size));
  int cx = 0, cy = 0;
  ImageList_GetIconSize(window.BtnImageList.get(), &cx, &cy);
  EXPECT_EQ(20, cx);
  EXPECT_EQ(2, ImageList_GetImageCount(window.BtnImageList.get()));

  EXPECT_EQ("Refresh list", HintOf(window, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Show properties for selected library", HintOf(window, TSysLibInfoWin::ToolButton1));

  int edges[4] = {};
  ASSERT_EQ(2, SendMessageA(window.StatusBar1, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)));
  EXPECT_EQ(150, edges[0]);
  EXPECT_EQ(200, edges[1]);
  EXPECT_EQ("", Text(window.StatusBar1));
}

TEST(ProgressDialogLayout, ControlsAnimationAndFrame) {
  TProgressDlg dialog(nullptr);
  RECT client{};
  GetClientRect(dialog.Handle(), &client);
  EXPECT_EQ(225, client.right);
  EXPECT_EQ(103, client.bottom);
  EXPECT_EQ("Scanning...", Text(dialog.Handle()));
  const LONG style = GetWindowLongA(dialog.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "close is the only caption button";
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(dialog.Stopped);

  struct Expected {
    HWND control;
    RECT bounds;
    const char* text;
  };
  const Expected controls[] = {{dialog.Animate1, {0, 8, 80, 58}, nullptr},
                               {dialog.bbStop, {80, 72, 155, 97}, "Stop"}};
  for (const auto& c : controls) {
    const RECT r = ChildBounds(c.control);
    EXPECT_EQ(c.bounds.left, r.left);
    EXPECT_EQ(c.bounds.top, r.top);
    EXPECT_EQ(c.bounds.right, r.right);
    EXPECT_EQ(c.bounds.bottom, r.bottom);
    if (c.text) {
      EXPECT_EQ(c.text, Text(c.control));
    }
  }
  EXPECT_EQ("%d", Text(dialog.lbCnt));
  const RECT count = ChildBounds(dialog.lbCnt);
  EXPECT_EQ(144, count.left);
  EXPECT_EQ(32, count.top);

  // The caption label keeps its place and is never narrower than designed,
  // nor than its text in the font at hand, and stays clear of the count.
  EXPECT_EQ("Processed:", Text(dialog.Label1));
  const RECT label = ChildBounds(dialog.Label1);
  EXPECT_EQ(80, label.left);
  EXPECT_EQ(32, label.top);
  EXPECT_EQ(13, label.bottom - label.top);
  EXPECT_GE(label.right - label.left, 53);
  EXPECT_GE(label.right - label.left, TextWidthIn(dialog.Label1, "Processed:"));
  EXPECT_LE(label.right, count.left);

  // Centred on the screen: there is no main form to centre on.
  const RECT frame = WindowBounds(dialog.Handle());
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((work.left + work.right) / 2, (frame.left + frame.right) / 2, 1);
  EXPECT_NEAR((work.top + work.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
}

TEST(ProgressDialogLayout, CountLabelWidensWithTheCount) {
  TProgressDlg dialog(nullptr);
  dialog.ShowCount(7);
  EXPECT_EQ("7 files", Text(dialog.lbCnt));
  const RECT one = ChildBounds(dialog.lbCnt);
  dialog.ShowCount(12345);
  EXPECT_EQ("12345 files", Text(dialog.lbCnt));
  const RECT five = ChildBounds(dialog.lbCnt);
  EXPECT_EQ(one.left, five.left) << "grows to the right";
  EXPECT_GT(five.right - five.left, one.right - one.left);

  EXPECT_GE(five.right - five.left, TextWidthIn(dialog.lbCnt, "12345 files"))
      << "the whole count shows";
}

}  // namespace
}  // namespace libinfo
