// A folder of damaged version resources: the scan lists what it can, never
// stops early and never garbles the well-formed files among them; a reader
// whose copy ends against a guard page never reads past it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Helpers.h"
#include "common/GuardPageBuffer.h"
#include "common/LibraryFolder.h"
#include "common/ScanProbe.h"
#include "scan/LibraryScan.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

// Every 40th file is well formed: copies of the template, of other
// fixtures and of system libraries, so that they sit among hostile ones in
// the folder's order.
constexpr int kWellFormedEvery = 40;
const char* const kWellFormedSources[] = {kTemplateFixture,
                                          "fixtures\\matching.dll",
                                          "fixtures\\two_translations.dll",
                                          "fixtures\\empty_versions.dll",
                                          "C:\\windows\\system32\\comctl32.dll",
                                          "C:\\windows\\system32\\version.dll"};

std::string EntryName(int index, const char* suffix = "") {
  char name[32];
  std::snprintf(name, sizeof name, "r%04d%s.dll", index, suffix);
  return name;
}

class HostileFolder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<LibraryFolder>();
    const auto& set = StandardHostileSet();
    int wellFormed = 0;
    for (int i = 0; i < static_cast<int>(set.size()); ++i) {
      if (i % kWellFormedEvery == kWellFormedEvery / 2) {
        const char* source = kWellFormedSources[wellFormed++ % std::size(kWellFormedSources)];
        const std::string name = EntryName(i, "w");
        ASSERT_TRUE(::CopyFileA(source, PathOf(name).c_str(), FALSE)) << source;
        wellFormed_->push_back(name);
      }
      WriteWholeFile(PathOf(EntryName(i)), HostileTemplate().WithResource(set[i].blob));
    }
  }
  static void TearDownTestSuite() { folder_.reset(); }

  static std::string PathOf(const std::string& name) { return folder_->Path() + "\\" + name; }

  static std::unique_ptr<LibraryFolder> folder_;
  static std::unique_ptr<std::vector<std::string>> wellFormed_;
};
std::unique_ptr<LibraryFolder> HostileFolder::folder_;
std::unique_ptr<std::vector<std::string>> HostileFolder::wellFormed_ =
    std::make_unique<std::vector<std::string>>();

std::vector<std::string> EnumerationOrder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry{};
  UniqueFind search(::FindFirstFileA((folder + "\\*.*").c_str(), &entry));
  if (!search) return names;
  do {
    names.push_back(entry.cFileName);
  } while (::FindNextFileA(search.get(), &entry));
  return names;
}

TEST(HostileGenerator, IsSeededAndCoversEveryKindOfDamage) {
  const Bytes& wellFormed = HostileTemplate().Blob();
  const auto first = MakeHostileResources(wellFormed, 7, 240);
  const auto again = MakeHostileResources(wellFormed, 7, 240);
  const auto other = MakeHostileResources(wellFormed, 8, 240);
  int differing = 0;
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].blob, again[i].blob) << i;
    differing += first[i].blob != other[i].blob;
  }
  EXPECT_GT(differing, 200) << "the seed decides the damage";

  const auto& set = StandardHostileSet();
  std::map<Damage, int> perKind;
  std::set<Bytes> distinct;
  for (const auto& resource : set) {
    ++perKind[resource.damage];
    if (resource.blob != wellFormed) distinct.insert(resource.blob);
  }
  EXPECT_GE(distinct.size(), 1000u) << "damaged resources that differ from each other";
  EXPECT_EQ(static_cast<size_t>(Damage::kCount), perKind.size());
  for (const auto& [damage, count] : perKind) EXPECT_EQ(100, count) << NameOf(damage);
}

TEST_F(HostileFolder, ScanEndsAndListsEveryWellFormedFileAsTheReaderSeesIt) {
  TSysLibInfoWin window(folder_->Path());
  window.Show();
  const ScanProbe probe;
  window.ScanSystemLibraries();

  std::vector<std::string> rows;
  for (int row = 0; row < window.RowCount(); ++row) rows.push_back(window.CellText(row, 0));
  // In folder order, each file at most once.
  const auto order = EnumerationOrder(folder_->Path());
  auto next = order.begin();
  for (const auto& row : rows) {
    next = std::find(next, order.end(), row);
    ASSERT_NE(order.end(), next) << row << " listed out of order or twice";
    ++next;
  }
  for (const auto& name : *wellFormed_) {
    SCOPED_TRACE(name);
    const auto row = std::find(rows.begin(), rows.end(), name);
    ASSERT_NE(rows.end(), row);
    const int index = static_cast<int>(row - rows.begin());
    const TVersionInfo reader(PathOf(name));
    const Answers shown{window.CellText(index, 1), window.CellText(index, 2),
                        window.CellText(index, 3), window.CellText(index, 4)};
    EXPECT_EQ(AnswersOf(reader), shown);
  }
  ASSERT_FALSE(probe.Counts().empty());
  EXPECT_EQ(std::to_string(rows.size()) + " files", probe.Counts().back());
  std::printf("[ hostile  ] %zu of %zu files listed\n", rows.size(), order.size() - 2);
}

// Damaged resources read by several readers at once: the same files listed
// in the same order as by one, and the well-formed ones with the same texts
// (a damaged one's texts may hold whatever the platform left in its buffer).
TEST_F(HostileFolder, SeveralReadersListWhatOneReaderLists) {
  const auto scan = [](int readers) {
    std::vector<LibraryRow> rows;
    const std::atomic<bool> never{false};
    LibraryScan(folder_->Path(), readers).Run(never, [&rows](LibraryRow&& row) {
      rows.push_back(std::move(row));
    });
    return rows;
  };
  const auto one = scan(1);
  for (const int readers : {4, 8}) {
    SCOPED_TRACE(readers);
    const auto several = scan(readers);
    ASSERT_EQ(one.size(), several.size());
    for (std::size_t i = 0; i < one.size(); ++i) {
      ASSERT_EQ(one[i].name, several[i].name) << "row " << i;
      const bool wellFormed =
          std::find(wellFormed_->begin(), wellFormed_->end(), one[i].name) != wellFormed_->end();
      if (!wellFormed) continue;
      EXPECT_EQ(one[i].description, several[i].description) << one[i].name;
      EXPECT_EQ(one[i].productVersion, several[i].productVersion) << one[i].name;
    }
  }
}

// Every shape, none left out: the platform's query function trusts every
// length it meets, and the reader refuses a resource before querying it when
// any node would take that function outside the copy. Without that check 16
// of these shapes made it read past the copy (children or values running past
// the resource) and 51 made it write past it (a root longer than the
// resource). Shapes the independent model of the platform's walk calls
// unsafe must be refused.
TEST_F(HostileFolder, GuardedReaderStaysInsideEveryCopy) {
  const auto& set = StandardHostileSet();
  int valid = 0;
  for (int i = 0; i < static_cast<int>(set.size()); ++i) {
    SCOPED_TRACE(EntryName(i) + ": " + NameOf(set[i].damage));
    const TVersionInfo reader(PathOf(EntryName(i)), GuardPageBuffer());
    const Answers answers = AnswersOf(reader);
    valid += reader.Valid();
    if (RootExceedsResource(set[i].blob) || !PlatformReadsWithin(set[i].blob)) {
      EXPECT_FALSE(reader.Valid());
    }
    if (!reader.Valid()) {
      EXPECT_EQ(Answers{}, answers);
    }
  }
  EXPECT_EQ(0, GuardPageBlocksInUse());
  std::printf("[ guarded  ] all %zu read against the guard page, %d of them valid\n", set.size(),
              valid);
}

}  // namespace
}  // namespace libinfo::testing
