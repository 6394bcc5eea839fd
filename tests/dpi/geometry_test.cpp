// The library window and the progress dialog at the run's screen scale:
// every designed size scaled by DPI/96, every text inside its control, no
// control running into another.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "DpiRun.h"
#include "Owned.h"
#include "window/Dpi.h"
#include "window/LibraryColumns.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

constexpr int kSlack = 2;  // pixels a scaled size may be off by

int At(int designed) {
  return Scaled(designed, static_cast<UINT>(ThisRun().layoutDpi));
}

RECT ScreenBounds(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

int Width(const RECT& r) {
  return r.right - r.left;
}
int Height(const RECT& r) {
  return r.bottom - r.top;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT common{};
  return IntersectRect(&common, &a, &b) != FALSE;
}

std::string Text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The text's extent in the font the control draws with.
SIZE TextExtent(HWND control, const std::string& text) {
  HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent;
}

// The text's width in the windows' font at 96 DPI.
int DesignTextWidth(const std::string& text) {
  const UniqueFont font(FormFont(kDesignDpi));
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font.get());
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return extent.cx;
}

void ExpectTextInside(HWND control) {
  const SIZE text = TextExtent(control, Text(control));
  const RECT bounds = Bounds(control);
  EXPECT_GE(Width(bounds), text.cx) << "\"" << Text(control) << "\" is cut at the right";
  EXPECT_GE(Height(bounds), text.cy) << "\"" << Text(control) << "\" is cut at the bottom";
}

TEST(DpiGeometry, TheProcessHasTheDpiOfItsRun) {
  TSysLibInfoWin window("C:\\made-up");
  EXPECT_EQ(static_cast<UINT>(ThisRun().layoutDpi), DpiOf(window.Handle()))
      << "the prefix's scale did not take, or the window follows another DPI than its layout";
}

TEST(DpiGeometry, LibraryWindowIsTheDesignScaled) {
  TSysLibInfoWin window("C:\\made-up");
  window.Show();
  const RECT frame = ScreenBounds(window.Handle());
  EXPECT_NEAR(At(550), Width(frame), kSlack);
  EXPECT_NEAR(At(375), Height(frame), kSlack);

  const RECT panel1 = Bounds(window.Panel1);
  const RECT panel2 = Bounds(window.Panel2);
  const RECT image1 = Bounds(window.Image1);
  EXPECT_NEAR(At(26), Height(panel1), kSlack);
  EXPECT_NEAR(At(22), Width(panel2), kSlack);
  EXPECT_NEAR(At(3), image1.left, kSlack);
  EXPECT_NEAR(At(5), image1.top, kSlack);
  EXPECT_NEAR(At(16), Width(image1), kSlack);
  EXPECT_NEAR(At(16), Height(image1), kSlack);

  const LRESULT button = SendMessageA(window.ToolBar, TB_GETBUTTONSIZE, 0, 0);
  EXPECT_NEAR(At(27), LOWORD(button), kSlack);
  EXPECT_NEAR(At(26), HIWORD(button), kSlack);
  for (const int separator : {0, 2, 4}) {
    TBBUTTON info{};
    SendMessageA(window.ToolBar, TB_GETBUTTON, separator, reinterpret_cast<LPARAM>(&info));
    EXPECT_NEAR(At(8), info.iBitmap, kSlack) << "separator " << separator;
  }
  // Pictures drawn for the scale: 20, 25, 30 or 40 pixels, never stretched.
  int pictureWidth = 0, pictureHeight = 0;
  ImageList_GetIconSize(window.BtnImageList.get(), &pictureWidth, &pictureHeight);
  EXPECT_EQ(20 * PictureScale(ThisRun().layoutDpi) / 100, pictureWidth);
  EXPECT_EQ(2, ImageList_GetImageCount(window.BtnImageList.get()));
  int iconWidth = 0, iconHeight = 0;
  ImageList_GetIconSize(window.ImageList.get(), &iconWidth, &iconHeight);
  EXPECT_NEAR(At(16), iconWidth, kSlack);

  for (int column = 0; column < kLibraryColumnCount; ++column) {
    const int width = ListView_GetColumnWidth(window.lvLibList, column);
    EXPECT_NEAR(At(kLibraryColumns[column].width), width, kSlack) << "column " << column;
    // A caption keeps at least the room beside it that it has at 96 DPI:
    // it fits as it does there.
    const char* caption = kLibraryColumns[column].caption;
    const int spareAtDesign = kLibraryColumns[column].width - DesignTextWidth(caption);
    const int spare = width - TextExtent(window.lvLibList, caption).cx;
    EXPECT_GE(spare, At(spareAtDesign) - kSlack) << caption << " is cut";
  }
  int edges[2] = {};
  SendMessageA(window.StatusBar1, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  EXPECT_NEAR(At(150), edges[0], kSlack);
  EXPECT_NEAR(At(200), edges[1], kSlack);
  const RECT status = Bounds(window.StatusBar1);
  EXPECT_GE(Height(status), At(19) - kSlack);

  const RECT list = Bounds(window.lvLibList);
  EXPECT_FALSE(Overlap(panel1, list));
  EXPECT_FALSE(Overlap(list, status));
  EXPECT_FALSE(Overlap(Bounds(window.ToolBar), panel2));
}

TEST(DpiGeometry, ProgressDialogIsTheDesignScaledWithEveryTextInside) {
  TProgressDlg dialog(nullptr);
  RECT client{};
  GetClientRect(dialog.Handle(), &client);
  EXPECT_NEAR(At(225), client.right, kSlack);
  EXPECT_NEAR(At(103), client.bottom, kSlack);
  struct Designed {
    HWND control;
    int left, top, width, height;
  };
  for (const Designed& d :
       {Designed{dialog.Animate1, 0, 8, 80, 50}, Designed{dialog.bbStop, 80, 72, 75, 25}}) {
    const RECT r = Bounds(d.control);
    EXPECT_NEAR(At(d.left), r.left, kSlack);
    EXPECT_NEAR(At(d.top), r.top, kSlack);
    EXPECT_NEAR(At(d.width), Width(r), kSlack);
    EXPECT_NEAR(At(d.height), Height(r), kSlack);
  }
  const RECT label = Bounds(dialog.Label1);
  EXPECT_NEAR(At(80), label.left, kSlack);
  EXPECT_NEAR(At(32), label.top, kSlack);
  EXPECT_GE(Width(label), At(53) - kSlack);
  EXPECT_GE(Height(label), At(13) - kSlack);
  ExpectTextInside(dialog.Label1);
  for (const int count : {7, 12345}) {
    dialog.ShowCount(count);
    const RECT counted = Bounds(dialog.lbCnt);
    EXPECT_NEAR(At(144), counted.left, kSlack);
    EXPECT_NEAR(At(32), counted.top, kSlack);
    ExpectTextInside(dialog.lbCnt);
    EXPECT_LE(label.right, counted.left) << "the caption runs into the count";
    EXPECT_FALSE(Overlap(counted, Bounds(dialog.bbStop)));
  }
  EXPECT_FALSE(Overlap(label, Bounds(dialog.bbStop)));
  ExpectTextInside(dialog.bbStop);
}

}  // namespace
}  // namespace libinfo::testing
