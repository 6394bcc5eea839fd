// Stop with several readers on a loaded machine: the rows kept are exactly
// those the count showed when the press was handled, the walk's beginning.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/BusyCores.h"
#include "common/ScanProbe.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;

// Every entry of the folder yields a row, after a little work: a steady,
// fast disk for the several readers.
ScanRunner FourSteadyReaders() {
  return [](const LibraryScan& scan, const std::atomic<bool>& stopped,
            const LibraryScan::RowSink& sink) {
    const auto reader = [](const std::string&, const char* name, LibraryRow& row) {
      Spin(200us);
      row = {name, "text", "text", "text", "text"};
      return true;
    };
    return LibraryScan(scan.Folder(), 4, reader).Run(stopped, sink);
  };
}

std::string UnversionedFolder() {
  char folder[MAX_PATH] = {};
  GetFullPathNameA("fixtures\\unversioned", sizeof folder, folder, nullptr);
  return folder;
}

TEST(StopWithSeveralReaders, KeepsExactlyTheRowsTheCountShowedUnderLoad) {
  const BusyCores busy;
  for (const int at : {1, 300, 3000}) {
    SCOPED_TRACE(at);
    TSysLibInfoWin window(UnversionedFolder(), FourSteadyReaders());
    window.ScanStarted = true;
    window.Show();
    ScanProbe probe;
    probe.AfterListed(at, [] { PostMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0); });
    window.ScanSystemLibraries();
    ASSERT_EQ(1u, probe.Dialogs().size());
    const auto& dialog = probe.Dialogs()[0];
    ASSERT_FALSE(dialog.countAtHide.empty()) << "the scan ended before Stop";
    const int shown = std::atoi(dialog.countAtHide.c_str());
    EXPECT_GE(shown, at);
    EXPECT_EQ(shown, window.RowCount()) << "the label read " << dialog.countAtHide;
    // The folder's entries are e00000, e00001 and so on, walked in that
    // order: the rows kept are its first ones, without a gap.
    for (const int row : {0, shown / 2, shown - 1}) {
      char stem[16];
      std::snprintf(stem, sizeof stem, "e%05d.", row);
      EXPECT_EQ(0u, window.CellText(row, 0).rfind(stem, 0)) << window.CellText(row, 0);
    }
  }
}

}  // namespace
}  // namespace libinfo::testing
