// The rows as the list asks for them: texts by row and column, an edited
// name, and finding a row by the first letters of its name.
#include <gtest/gtest.h>

#include <string>

#include "rows/RowStore.h"

namespace libinfo::testing {
namespace {

LibraryRow Row(const std::string& name) {
  return {name, name + " description", name + " product", "1.0", "2.0"};
}

class RowStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"advapi32.dll", "Version.dll", "vbscript.dll", "zlib.dll"}) {
      rows_.Append(Row(name));
    }
  }
  RowStore rows_;
};

TEST_F(RowStoreTest, AnswersEveryCellAndNothingOutside) {
  ASSERT_EQ(4, rows_.Count());
  EXPECT_STREQ("Version.dll", rows_.Text(1, 0));
  EXPECT_STREQ("Version.dll description", rows_.Text(1, 1));
  EXPECT_STREQ("2.0", rows_.Text(3, 4));
  for (const auto& [row, column] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 5}}) {
    EXPECT_STREQ("", rows_.Text(row, column)) << row << "," << column;
  }
  rows_.Append({"cut\0off", "", "", "", ""});
  EXPECT_STREQ("cut", rows_.Text(4, 0)) << "a text ends at its first zero";
}

TEST_F(RowStoreTest, AnEditedNameReplacesOnlyThatName) {
  rows_.SetName(1, "*.dll");
  rows_.Compact();
  EXPECT_STREQ("*.dll", rows_.Text(1, 0));
  EXPECT_STREQ("Version.dll description", rows_.Text(1, 1));
  EXPECT_STREQ("advapi32.dll", rows_.Text(0, 0));
  EXPECT_STREQ("vbscript.dll", rows_.Text(2, 0));
  rows_.SetName(9, "nowhere");  // no such row: nothing happens
  EXPECT_EQ(4, rows_.Count());
}

TEST_F(RowStoreTest, FindsByNameIgnoringCaseFromTheStartRowOn) {
  EXPECT_EQ(1, rows_.FindName("v", 0, true, false));
  EXPECT_EQ(2, rows_.FindName("V", 2, true, false)) << "from the start row on";
  EXPECT_EQ(-1, rows_.FindName("adv", 1, true, false)) << "no wrapping unless asked";
  EXPECT_EQ(0, rows_.FindName("adv", 1, true, true));
  EXPECT_EQ(1, rows_.FindName("version.DLL", 0, false, false)) << "a whole name";
  EXPECT_EQ(-1, rows_.FindName("version", 0, false, true)) << "a whole name is not a prefix";
  EXPECT_EQ(-1, rows_.FindName("zlib.dll.bak", 0, true, true));
  rows_.Clear();
  EXPECT_EQ(-1, rows_.FindName("a", 0, true, true));
  EXPECT_EQ(0, rows_.Count());
}

// A folder's rows repeat their product's texts; each is kept once (a file
// version equal to a product version too), while
// every row still answers its own texts, an edited name included.
TEST(RowStoreSharing, RepeatedTextsAreStoredOnceAndRowsKeepTheirOwn) {
  RowStore rows;
  constexpr int kRows = 1000;
  std::string names;
  for (int n = 0; n < kRows; ++n) {
    const std::string name = "lib" + std::to_string(n) + ".dll";
    names += name + '\0';
    const bool odd = n % 2;
    rows.Append(
        {name, odd ? "Odd library" : "Even library", "Shared product", odd ? "1.1" : "2.2", "1.1"});
  }
  rows.Append({"last.dll", "Even library\0hidden", "", "", ""});
  const std::size_t shared = sizeof "Odd library" + sizeof "Even library" +
                             sizeof "Shared product" + sizeof "1.1" + sizeof "2.2" + sizeof "";
  EXPECT_EQ(names.size() + sizeof "last.dll" + shared, rows.TextBytes());
  rows.SetName(2, "renamed.dll");
  for (int n : {0, 1, 2, 999}) {
    const bool odd = n % 2;
    EXPECT_STREQ(odd ? "Odd library" : "Even library", rows.Text(n, 1)) << n;
    EXPECT_STREQ("Shared product", rows.Text(n, 2)) << n;
    EXPECT_STREQ(odd ? "1.1" : "2.2", rows.Text(n, 3)) << n;
    EXPECT_STREQ("1.1", rows.Text(n, 4)) << n << ": shared across columns too";
  }
  EXPECT_STREQ("renamed.dll", rows.Text(2, 0));
  EXPECT_STREQ("lib3.dll", rows.Text(3, 0)) << "an edit stays in its row";
  EXPECT_STREQ("Even library", rows.Text(kRows, 1)) << "a text ends at its first zero";
  rows.Clear();
  rows.Append({"again.dll", "Odd library", "", "", ""});
  EXPECT_STREQ("Odd library", rows.Text(0, 1)) << "nothing of the cleared rows is reused";
}

}  // namespace
}  // namespace libinfo::testing
