// The scan as the user drives it: Refresh, Stop, closing, focus and edits.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/LibraryFolder.h"
#include "common/ScanProbe.h"
#include "version/VerInfo.h"
#include "window/Application.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

std::vector<std::string> Captions(const TSysLibInfoWin& window) {
  std::vector<std::string> names;
  for (int row = 0; row < window.RowCount(); ++row) names.push_back(window.CellText(row, 0));
  return names;
}

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() : scope_(folder_.Path()) {}
  void SetUp() override {
    FillWithTypicalEntries(folder_);
    window_.Show();
  }
  std::vector<std::string> ExpectedRows() const { return folder_.ExpectedRows(); }

  LibraryFolder folder_;
  ScopedLibraryDirectory scope_;
  TSysLibInfoWin window_;
  ScanProbe probe_;
};

TEST_F(ScanTest, ListsEveryFileWithVersionDataInFolderOrder) {
  window_.ScanSystemLibraries();
  const auto expected = ExpectedRows();
  ASSERT_EQ(5u, expected.size());
  EXPECT_EQ(expected, Captions(window_)) << "no folders, text, empty, broken or locked files";
  for (int row = 0; row < window_.RowCount(); ++row) {
    const TVersionInfo info(folder_.Path() + "\\" + expected[row]);
    EXPECT_EQ(info.FileDescription(), window_.CellText(row, 1));
    EXPECT_EQ(info.ProductName(), window_.CellText(row, 2));
    EXPECT_EQ(info.FileVersion(), window_.CellText(row, 3));
    EXPECT_EQ(info.ProductVersion(), window_.CellText(row, 4));
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(window_.lvLibList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(0, item.iImage);
  }
  ASSERT_EQ(1u, probe_.Dialogs().size());
  EXPECT_EQ("%d", probe_.Dialogs()[0].countAtShow);
  EXPECT_EQ("5 files", probe_.Dialogs()[0].countAtDestroy);
  EXPECT_TRUE(probe_.Dialogs()[0].stoppedAtDestroy) << "set before the dialog goes";
  EXPECT_EQ(nullptr, ProgressDlg) << "no dialog outlives its scan";
}

TEST_F(ScanTest, CountsEachListedFile) {
  window_.ScanSystemLibraries();
  EXPECT_EQ((std::vector<std::string>{"1 files", "2 files", "3 files", "4 files", "5 files"}),
            probe_.Counts());
}

TEST_F(ScanTest, StopAfterTheNthFileKeepsNRows) {
  probe_.AfterListed(2, [&] { PostMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0); });
  probe_.AfterListed(3, [&] { ADD_FAILURE() << "the scan went on after Stop"; });
  window_.ScanSystemLibraries();
  EXPECT_EQ(2, window_.RowCount());
  EXPECT_EQ((std::vector<std::string>{"1 files", "2 files"}), probe_.Counts());
}

TEST(ScanPacing, StopLeavesTheRowsListedWhenThePressWasHandled) {
  // The default pacing: messages are handled once an interval has passed,
  // not after every file, and a press takes effect when it is handled.
  ScopedScanPumpInterval defaultPacing(std::chrono::milliseconds(10));
  LibraryFolder folder;
  FillWithLibraries(folder, 60);
  ScopedLibraryDirectory scope(folder.Path());
  TSysLibInfoWin window;
  window.Show();
  ScanProbe probe;
  probe.AfterListed(3, [&] { PostMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0); });
  window.ScanSystemLibraries();
  ASSERT_EQ(1u, probe.Dialogs().size());
  const std::string atStop = probe.Dialogs()[0].countAtHide;
  ASSERT_FALSE(atStop.empty()) << "Stop was handled during the scan";
  EXPECT_EQ(atStop, std::to_string(window.RowCount()) + " files");
  EXPECT_LT(window.RowCount(), static_cast<int>(folder.ExpectedRows().size()));
  EXPECT_GE(window.RowCount(), 3);
}

TEST_F(ScanTest, StopHidesTheDialogAtOnce) {
  bool visibleAfterStop = true;
  probe_.AfterListed(1, [&] {
    SendMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0);
    visibleAfterStop = IsWindowVisible(ProgressDlg->Handle());
  });
  window_.ScanSystemLibraries();
  EXPECT_FALSE(visibleAfterStop);
  EXPECT_EQ(1, window_.RowCount());
}

TEST_F(ScanTest, DialogCloseButtonActsLikeStop) {
  probe_.AfterListed(1, [&] { PostMessageA(ProgressDlg->Handle(), WM_CLOSE, 0, 0); });
  window_.ScanSystemLibraries();
  EXPECT_EQ(1, window_.RowCount());
}

TEST_F(ScanTest, RefreshTwiceLeavesOneRowPerFileAndAFreshDialog) {
  window_.tbRefreshClick();
  window_.tbRefreshClick();
  EXPECT_EQ(ExpectedRows(), Captions(window_));
  ASSERT_EQ(2u, probe_.Dialogs().size());
  for (const auto& dialog : probe_.Dialogs()) {
    EXPECT_EQ("%d", dialog.countAtShow);
    EXPECT_FALSE(dialog.stoppedAtShow);
  }
}

TEST_F(ScanTest, RefreshDuringAScanStartsNoSecondScan) {
  probe_.AfterListed(1, [&] {
    PostMessageA(window_.Handle(), WM_COMMAND, TSysLibInfoWin::tbRefresh, 0);
    PostMessageA(window_.lvLibList, WM_KEYDOWN, VK_F5, 0);
  });
  window_.ScanSystemLibraries();
  EXPECT_EQ(1u, probe_.Dialogs().size());
  EXPECT_EQ(1, probe_.MostDialogsAtOnce());
  EXPECT_EQ(ExpectedRows(), Captions(window_));
}

TEST_F(ScanTest, FolderWithoutVersionDataKeepsTheCountLabelUntouched) {
  LibraryFolder bare;
  bare.WriteFile("a.txt", "text");
  bare.WriteFile("b.dll", "");
  ScopedLibraryDirectory scope(bare.Path());
  window_.ScanSystemLibraries();
  EXPECT_EQ(0, window_.RowCount());
  ASSERT_EQ(1u, probe_.Dialogs().size());
  EXPECT_EQ("%d", probe_.Dialogs()[0].countAtDestroy);
}

TEST_F(ScanTest, MissingFolderEndsWithAnEmptyList) {
  window_.ScanSystemLibraries();
  ASSERT_GT(window_.RowCount(), 0);
  ScopedLibraryDirectory scope(folder_.Path() + "\\does not exist");
  window_.ScanSystemLibraries();
  EXPECT_EQ(0, window_.RowCount());
  EXPECT_EQ(nullptr, ProgressDlg);
}

TEST_F(ScanTest, FocusReturnsToTheDialogWhileScanningAndNotAfter) {
  HWND activeLater = nullptr;
  HWND activeAfterClick = nullptr;
  probe_.AfterListed(1, [&] {
    SetActiveWindow(window_.Handle());
    activeAfterClick = GetActiveWindow();
  });
  probe_.AfterListed(3, [&] { activeLater = GetActiveWindow(); });
  HWND dialog = nullptr;
  probe_.AfterListed(2, [&] { dialog = ProgressDlg->Handle(); });
  window_.ScanSystemLibraries();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(window_.Handle(), activeAfterClick);
  EXPECT_EQ(dialog, activeLater) << "clicking the window during a scan gives the focus back";
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(window_.Handle(), GetActiveWindow()) << "the finished scan leaves the window usable";
}

TEST_F(ScanTest, EditedCaptionChangesOnlyThatCaptionUntilRefresh) {
  window_.ScanSystemLibraries();
  const auto before = Captions(window_);
  const std::string description = window_.CellText(1, 1);
  SetFocus(window_.lvLibList);
  ListView_SetItemState(window_.lvLibList, 1, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  PostMessageA(window_.lvLibList, WM_KEYDOWN, VK_F2, 0);  // F2 edits the selected caption
  Application().ProcessMessages();
  HWND edit = ListView_GetEditControl(window_.lvLibList);
  ASSERT_NE(nullptr, edit);
  SetWindowTextA(edit, "*.dll");
  SetFocus(window_.Handle());  // leaving the editor keeps the new text
  PumpUntil([&] { return ListView_GetEditControl(window_.lvLibList) == nullptr; });
  EXPECT_EQ("*.dll", window_.CellText(1, 0));
  EXPECT_EQ(description, window_.CellText(1, 1));
  EXPECT_EQ(before[0], window_.CellText(0, 0));

  window_.tbRefreshClick();
  EXPECT_EQ(before, Captions(window_));
}

TEST_F(ScanTest, CloseDuringARescanClosesWhenItEnds) {
  window_.ScanSystemLibraries();
  probe_.AfterListed(2, [&] { PostMessageA(window_.Handle(), WM_CLOSE, 0, 0); });
  PostMessageA(window_.Handle(), WM_COMMAND, TSysLibInfoWin::tbRefresh, 0);
  Application().RunModal(window_);
  EXPECT_TRUE(IsWindow(window_.Handle())) << "the window is hidden, not destroyed";
  EXPECT_EQ(ExpectedRows(), Captions(window_)) << "the close did not cut the rescan short";
}

TEST(FirstScan, StartsAfterTheFirstActivationAndHonoursAnEarlyClose) {
  LibraryFolder folder;
  FillWithTypicalEntries(folder);
  ScopedLibraryDirectory scope(folder.Path());
  TSysLibInfoWin window;
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
  ScopedLibraryDirectory scope(folder.Path());
  TSysLibInfoWin window;
  ScanProbe probe;
  PostMessageA(window.lvLibList, WM_KEYDOWN, VK_ESCAPE, 0);
  Application().RunModal(window);
  EXPECT_EQ(folder.ExpectedRows(), Captions(window));
}

}  // namespace
}  // namespace libinfo::testing
