// The walk over a folder: a failure while handling one entry, its row's
// handing-on included, costs that entry and nothing else.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "common/LibraryFolder.h"
#include "scan/Paths.h"
#include "scan/LibraryScan.h"

namespace libinfo::testing {
namespace {

TEST(LibraryScan, ARowTheSinkCannotTakeIsSkippedAndTheScanGoesOn) {
  LibraryFolder folder;
  FillWithTypicalEntries(folder);
  const std::vector<std::string> all = folder.ExpectedRows();
  ASSERT_GE(all.size(), 3u);
  for (const std::size_t refused : {std::size_t{0}, std::size_t{1}, all.size() - 1}) {
    SCOPED_TRACE(all[refused]);
    std::vector<std::string> taken;
    const std::atomic<bool> stopped{false};
    const int handed = LibraryScan(folder.Path()).Run(stopped, [&](LibraryRow&& row) {
      if (row.name == all[refused]) throw std::bad_alloc();
      taken.push_back(row.name);
    });
    std::vector<std::string> expected = all;
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(refused));
    EXPECT_EQ(expected, taken);
    EXPECT_EQ(static_cast<int>(expected.size()), handed) << "the refused row is not counted";
  }
}

// A library at the root of the current drive, and that drive current, for
// as long as it lives: what an empty folder name would reach.
class LibraryAtDriveRoot {
 public:
  LibraryAtDriveRoot() {
    GetCurrentDirectoryA(sizeof previous_, previous_);
    SetCurrentDirectoryA("C:\\");
    copied_ = CopyFileA((SystemDirectory() + "\\version.dll").c_str(), kPath, FALSE) != FALSE;
  }
  LibraryAtDriveRoot(const LibraryAtDriveRoot&) = delete;
  LibraryAtDriveRoot& operator=(const LibraryAtDriveRoot&) = delete;
  ~LibraryAtDriveRoot() {
    DeleteFileA(kPath);
    SetCurrentDirectoryA(previous_);
  }
  [[nodiscard]] bool Copied() const noexcept { return copied_; }

 private:
  static constexpr char kPath[] = "C:\\libinfo-root-probe.dll";
  char previous_[MAX_PATH] = {};
  bool copied_ = false;
};

TEST(LibraryScan, NoFolderListsNothingRatherThanTheDrivesRoot) {
  const LibraryAtDriveRoot library;
  ASSERT_TRUE(library.Copied());
  std::vector<std::string> taken;
  const std::atomic<bool> stopped{false};
  EXPECT_EQ(0, LibraryScan("").Run(stopped, [&](LibraryRow&& row) { taken.push_back(row.name); }));
  EXPECT_TRUE(taken.empty()) << "listed " << taken.front();
}

}  // namespace
}  // namespace libinfo::testing
