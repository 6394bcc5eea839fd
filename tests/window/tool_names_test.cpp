// What accessibility tools read of the window: each tool button's name, its
// hint as the tool bar's own tool-tip control gives it, and the list's name.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

std::string ButtonText(HWND toolBar, int command) {
  char text[128] = {};
  const LRESULT length =
      SendMessageA(toolBar, TB_GETBUTTONTEXTA, command, reinterpret_cast<LPARAM>(text));
  return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

// Asked of the tool-tip control, as hovering asks it: through the tool bar
// and on to the window, so it fails if any link of that chain is missing.
std::string ToolTipText(HWND toolBar, int command) {
  HWND tips = reinterpret_cast<HWND>(SendMessageA(toolBar, TB_GETTOOLTIPS, 0, 0));
  if (!tips) return "<no tool-tip control>";
  char text[256] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = toolBar;
  tool.uId = static_cast<UINT_PTR>(command);
  tool.lpszText = text;
  SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

TEST(AccessibleNames, ToolButtonsCarryNamesAndKeepTheirHints) {
  TSysLibInfoWin window("C:\\made-up");
  EXPECT_EQ("Refresh", ButtonText(window.ToolBar, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Properties", ButtonText(window.ToolBar, TSysLibInfoWin::ToolButton1));
  EXPECT_EQ("Refresh list", ToolTipText(window.ToolBar, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Show properties for selected library",
            ToolTipText(window.ToolBar, TSysLibInfoWin::ToolButton1));

  // The buttons are made anew at every DPI change: so are their names.
  RECT suggested{0, 0, 825, 562};
  SendMessageA(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ("Refresh", ButtonText(window.ToolBar, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Properties", ButtonText(window.ToolBar, TSysLibInfoWin::ToolButton1));
  EXPECT_EQ("Refresh list", ToolTipText(window.ToolBar, TSysLibInfoWin::tbRefresh));
}

TEST(AccessibleNames, TheListIsNamed) {
  TSysLibInfoWin window("C:\\made-up");
  char name[64] = {};
  GetWindowTextA(window.lvLibList, name, sizeof name);
  EXPECT_STREQ("Libraries", name);
}

}  // namespace
}  // namespace libinfo::testing
