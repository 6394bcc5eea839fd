// The walk read by several readers: rows come in the walk's order however
// the readers finish, an entry that fails costs only itself, Stop leaves a
// prefix of the walk, and no reader outlives the scan.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Owned.h"
#include "common/LibraryFolder.h"
#include "common/ProgramThreads.h"
#include "scan/LibraryScan.h"
#include "scan/Paths.h"

namespace libinfo::testing {
namespace {

constexpr int kEntries = 120;

// The folder's entries as the walk meets them, sub-folders and dots left out.
std::vector<std::string> WalkOrder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry{};
  const UniqueFind search(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
  if (!search) return names;
  do {
    if (!LibraryScan::IsSkipped(entry)) names.push_back(entry.cFileName);
  } while (FindNextFileA(search.get(), &entry));
  return names;
}

class ParallelScan : public ::testing::Test {
 protected:
  ParallelScan() {
    for (int i = 0; i < kEntries; ++i) {
      folder_.WriteFile("entry" + std::to_string((i * 37) % kEntries) + ".txt", "x");
    }
    order_ = WalkOrder(folder_.Path());
  }

  std::vector<std::string> NamesListed(int readers, const LibraryScan::EntryReader& reader,
                                       std::atomic<bool>* stopAfter = nullptr, int rows = 0) {
    std::vector<std::string> names;
    std::atomic<bool> never{false};
    std::atomic<bool>& stopped = stopAfter ? *stopAfter : never;
    const int handed =
        LibraryScan(folder_.Path(), readers, reader).Run(stopped, [&](LibraryRow&& row) {
          names.push_back(row.name);
          if (stopAfter && static_cast<int>(names.size()) == rows) {
            stopped = true;
          }
        });
    EXPECT_EQ(static_cast<int>(names.size()), handed);
    return names;
  }

  LibraryFolder folder_;
  std::vector<std::string> order_;
};

// Every entry takes a random time, so later entries often finish first.
LibraryScan::EntryReader RandomlySlow(unsigned seed) {
  auto random = std::make_shared<std::mt19937>(seed);
  auto lock = std::make_shared<SRWLOCK>();
  InitializeSRWLock(lock.get());
  return [random, lock](const std::string&, const char* name, LibraryRow& row) {
    AcquireSRWLockExclusive(lock.get());
    const DWORD delay = (*random)() % 5;
    ReleaseSRWLockExclusive(lock.get());
    Sleep(delay);
    row = {name, "d", "p", "1", "1"};
    return true;
  };
}

TEST_F(ParallelScan, RowsComeInTheWalksOrderHoweverTheReadersFinish) {
  ASSERT_EQ(static_cast<std::size_t>(kEntries), order_.size());
  for (const int readers : {2, 4, 8}) {
    SCOPED_TRACE(readers);
    EXPECT_EQ(order_, NamesListed(readers, RandomlySlow(static_cast<unsigned>(readers))));
  }
}

TEST_F(ParallelScan, AnEntryThatFailsIsSkippedAlone) {
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    if (i % 7 != 3) expected.push_back(order_[i]);
  }
  const std::vector<std::string> failing(order_.begin(), order_.end());
  const auto reader = [&failing](const std::string&, const char* name, LibraryRow& row) {
    const auto at = std::find(failing.begin(), failing.end(), name) - failing.begin();
    if (at % 7 == 3) {
      if (at % 2) throw std::runtime_error("unreadable");
      return false;  // no version data
    }
    row = {name, "", "", "", ""};
    return true;
  };
  EXPECT_EQ(expected, NamesListed(4, reader));
}

// Stopped after some rows: what was handed on is the walk's beginning,
// with no gap, and every reader has ended when the scan returns.
TEST_F(ParallelScan, StopLeavesAPrefixOfTheWalkAndNoReader) {
  const ThreadList before = ProgramThreads();
  for (const int stopAt : {1, 10, 60}) {
    SCOPED_TRACE(stopAt);
    std::atomic<bool> stopped{false};
    const auto names = NamesListed(4, RandomlySlow(7), &stopped, stopAt);
    ASSERT_GE(names.size(), static_cast<std::size_t>(stopAt));
    ASSERT_LT(names.size(), order_.size()) << "the scan went on to its end";
    EXPECT_TRUE(std::equal(names.begin(), names.end(), order_.begin()));
    const ThreadList after = ProgramThreads();
    EXPECT_TRUE(DescribeNewThreads(before, after).empty())
        << "a reader outlived its scan:" << DescribeNewThreads(before, after);
  }
}

// The real reading, by one reader and by several, over the libraries the
// system directory holds.
TEST(ParallelScanOfTheSystemDirectory, ListsTheSameRowsInTheSameOrderAsOneReader) {
  const auto scan = [](int readers) {
    std::vector<LibraryRow> rows;
    const std::atomic<bool> never{false};
    LibraryScan(SystemDirectory(), readers).Run(never, [&rows](LibraryRow&& row) {
      rows.push_back(std::move(row));
    });
    return rows;
  };
  const auto one = scan(1);
  ASSERT_GT(one.size(), 100u);
  const auto several = scan(4);
  ASSERT_EQ(one.size(), several.size());
  for (std::size_t i = 0; i < one.size(); ++i) {
    SCOPED_TRACE(one[i].name);
    EXPECT_EQ(one[i].name, several[i].name);
    EXPECT_EQ(one[i].description, several[i].description);
    EXPECT_EQ(one[i].product, several[i].product);
    EXPECT_EQ(one[i].fileVersion, several[i].fileVersion);
    EXPECT_EQ(one[i].productVersion, several[i].productVersion);
  }
}

TEST(ReaderCount, TwoPerProcessorFromTwoToEight) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const int expected = std::min(8, std::max(2, 2 * static_cast<int>(system.dwNumberOfProcessors)));
  EXPECT_EQ(expected, LibraryScan::DefaultReaders());
  EXPECT_EQ(1, LibraryScan("C:\\x", 0).Readers());
  EXPECT_EQ(8, LibraryScan("C:\\x", 64).Readers());
}

}  // namespace
}  // namespace libinfo::testing
