// The walk over a folder: a failure while handling one entry, its row's
// handing-on included, costs that entry and nothing else.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "common/LibraryFolder.h"
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

}  // namespace
}  // namespace libinfo::testing
