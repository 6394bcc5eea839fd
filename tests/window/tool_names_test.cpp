// What accessibility tools read of the window: each tool button's name, its
// hint as the tool bar's own tool-tip control gives it, and the list's name.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/ToolBarTexts.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using testing_windows::ButtonText;
using testing_windows::HintOf;

TEST(AccessibleNames, ToolButtonsCarryNamesAndKeepTheirHints) {
  TSysLibInfoWin window("C:\\made-up");
  EXPECT_EQ("Refresh", ButtonText(window.ToolBar, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Properties", ButtonText(window.ToolBar, TSysLibInfoWin::ToolButton1));
  EXPECT_EQ("Refresh list", HintOf(window.ToolBar, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Show properties for selected library",
            HintOf(window.ToolBar, TSysLibInfoWin::ToolButton1));

  // The buttons are made anew at every DPI change: so are their names.
  RECT suggested{0, 0, 825, 562};
  SendMessageA(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ("Refresh", ButtonText(window.ToolBar, TSysLibInfoWin::tbRefresh));
  EXPECT_EQ("Properties", ButtonText(window.ToolBar, TSysLibInfoWin::ToolButton1));
  EXPECT_EQ("Refresh list", HintOf(window.ToolBar, TSysLibInfoWin::tbRefresh));
}

TEST(AccessibleNames, TheListIsNamed) {
  TSysLibInfoWin window("C:\\made-up");
  char name[64] = {};
  GetWindowTextA(window.lvLibList, name, sizeof name);
  EXPECT_STREQ("Libraries", name);
}

}  // namespace
}  // namespace libinfo::testing
