// The Properties action of the window against the system's own shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "common/LibraryFolder.h"
#include "common/SheetWatcher.h"
#include "window/Application.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using testing_windows::Lower;
using testing_windows::SheetWatcher;
using namespace std::chrono_literals;

class PropertiesAction : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    FillWithTypicalEntries(folder_);
    window_.Show();
    window_.ScanSystemLibraries();
  }
  void TearDown() override {
    EXPECT_EQ(nullptr, Application().Cursor()) << "the busy cursor is gone again";
    OleUninitialize();
  }

  int RowOf(const std::string& caption) const {
    for (int row = 0; row < window_.RowCount(); ++row) {
      if (window_.CellText(row, 0) == caption) return row;
    }
    return -1;
  }
  void Select(int row) {
    ListView_SetItemState(window_.lvLibList, row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  }
  // What the list tells the window when the user has edited a caption.
  void Rename(int row, const char* caption) {
    NMLVDISPINFOA edit{};
    edit.hdr = {window_.lvLibList, static_cast<UINT_PTR>(GetDlgCtrlID(window_.lvLibList)),
                static_cast<UINT>(LVN_ENDLABELEDITA)};
    edit.item.iItem = row;
    edit.item.pszText = const_cast<char*>(caption);
    SendMessageA(window_.Handle(), WM_NOTIFY, edit.hdr.idFrom, reinterpret_cast<LPARAM>(&edit));
  }

  LibraryFolder folder_;
  TSysLibInfoWin window_{folder_.Path()};
};

TEST_F(PropertiesAction, OpensTheSheetOfTheSelectedFile) {
  const int row = RowOf("kernel32.dll");
  ASSERT_GE(row, 0);
  Select(row);
  SheetWatcher watcher(L"kernel32.dll");
  window_.ToolButton1Click();
  watcher.Wait();
  ASSERT_TRUE(watcher.Found());
  EXPECT_NE(std::wstring::npos, Lower(watcher.Title()).find(L"kernel32.dll"));
}

TEST_F(PropertiesAction, ToolButtonAndAltEnterAreTheSameAction) {
  Select(RowOf("version.dll"));
  {
    SheetWatcher watcher(L"version.dll");
    PostMessageA(window_.Handle(), WM_COMMAND, TSysLibInfoWin::ToolButton1, 0);
    Application().ProcessMessages();
    watcher.Wait();
    EXPECT_TRUE(watcher.Found()) << "tool button";
  }
  {
    SheetWatcher watcher(L"version.dll");
    PostMessageA(window_.lvLibList, WM_SYSKEYDOWN, VK_RETURN, 1 << 29);
    Application().ProcessMessages();
    watcher.Wait();
    EXPECT_TRUE(watcher.Found()) << "Alt+Enter";
  }
}

TEST_F(PropertiesAction, UsesTheCaptionAsItReadsAtThePress) {
  const int row = RowOf("kernel32.dll");
  Rename(row, "user32.dll");
  Select(row);
  SheetWatcher watcher(L"user32.dll");
  window_.ToolButton1Click();
  watcher.Wait();
  EXPECT_TRUE(watcher.Found());
}

TEST_F(PropertiesAction, PatternCaptionOpensOneSheetForTheMatches) {
  const int row = RowOf("version.dll");
  Rename(row, "*.dll");
  Select(row);
  SheetWatcher watcher(L"properties");
  window_.ToolButton1Click();
  watcher.Wait();
  EXPECT_TRUE(watcher.Found());
}

TEST_F(PropertiesAction, NothingOpensWithoutASelectionOrForACaptionNamingNoFile) {
  SheetWatcher watcher(L"", 2s);
  window_.ToolButton1Click();  // nothing selected
  const int row = RowOf("kernel32.dll");
  Rename(row, "no such library.dll");
  Select(row);
  window_.ToolButton1Click();
  Application().ProcessMessages();
  watcher.Wait();
  EXPECT_FALSE(watcher.Found()) << "neither a sheet nor a message box";
}

}  // namespace
}  // namespace libinfo::testing
