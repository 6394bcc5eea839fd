// Readers over resource-only DLLs whose version resources were made for the
// purpose, each copy placed against a guard page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>

#include "common/GuardPageBuffer.h"
#include "Support.h"

namespace libinfo::testing {
namespace {

// Opens the lookup rules of the reader to the tests.
class ProbedReader : public TVersionInfo {
 public:
  using TVersionInfo::GetFixedInfo;
  using TVersionInfo::GetTranslationKey;
  using TVersionInfo::TVersionInfo;
};

ProbedReader ReadGuarded(const std::string& fixture) {
  return ProbedReader(FixturePath(fixture), GuardPageBuffer());
}

struct Crafted {
  const char* fixture;
  VersionAnswers expected;
};

void PrintTo(const Crafted& crafted, std::ostream* out) {
  *out << crafted.fixture;
}

class WellFormedResource : public ::testing::TestWithParam<Crafted> {};

TEST_P(WellFormedResource, AnswersFollowFirstTranslationAndFixedFallback) {
  const Crafted& crafted = GetParam();
  {
    const ProbedReader guarded = ReadGuarded(std::string(crafted.fixture) + ".dll");
    ASSERT_TRUE(guarded.Valid());
    EXPECT_EQ(crafted.expected, AnswersOf(guarded));
    EXPECT_EQ(crafted.expected, AnswersOf(guarded)) << "a second read differs";
  }
  const TVersionInfo onHeap(FixturePath(std::string(crafted.fixture) + ".dll"));
  EXPECT_EQ(crafted.expected, AnswersOf(onHeap));
  EXPECT_EQ(0, GuardPageBlocksInUse());
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, WellFormedResource,
    ::testing::Values(
        Crafted{"matching",
                {"Matching table", "Fixture Product", "2.0 (release build)", " 3.1 beta "}},
        Crafted{"other_table", {"", "", "1.0.0.1", "65535.1.0.65535"}},
        Crafted{"no_varfileinfo", {"", "", "5.1.2600.0", "5.1.2600.2180"}},
        Crafted{"empty_versions", {"Empty versions", "Fixture Product", "3.10.0.7", "4.0.0.0"}},
        Crafted{"lower_case_table", {"Lower-case table", "", "1.0.0.0", "1.0.0.0"}},
        Crafted{"two_translations", {"Deutsch", "", "1.0.0.0", "1.0.0.0"}},
        Crafted{"zero_translation", {"Neutral", "", "1.0.0.0", "1.0.0.0"}},
        Crafted{"translation_empty", {"", "", "2.5.0.1", "3.0.0.0"}},
        Crafted{"translation_short", {"", "", "2.5.0.2", "3.0.0.0"}},
        // Too short to be a fixed block: no fallback numbers at all.
        Crafted{"fixed_short", {"", "Short fixed", "", ""}}),
    [](const auto& info) { return std::string(info.param.fixture); });

TEST(TranslationKey, IsEightUpperCaseHexDigitsOfTheFirstEntry) {
  EXPECT_EQ("040904B0", ReadGuarded("matching.dll").GetTranslationKey());
  EXPECT_EQ("ABCDEF01", ReadGuarded("lower_case_table.dll").GetTranslationKey());
  EXPECT_EQ("040704E4", ReadGuarded("two_translations.dll").GetTranslationKey());
  EXPECT_EQ("00000000", ReadGuarded("zero_translation.dll").GetTranslationKey());
}

TEST(TranslationKey, IsEmptyWithoutAWholeEntry) {
  EXPECT_EQ("", ReadGuarded("no_varfileinfo.dll").GetTranslationKey());
  EXPECT_EQ("", ReadGuarded("translation_empty.dll").GetTranslationKey());
  EXPECT_EQ("", ReadGuarded("translation_short.dll").GetTranslationKey());
}

TEST(FixedInfo, CountsOnlyWhenAWholeBlockIsPresent) {
  EXPECT_NE(nullptr, ReadGuarded("matching.dll").GetFixedInfo());
  EXPECT_EQ(nullptr, ReadGuarded("fixed_short.dll").GetFixedInfo());
}

// A text without terminator is still inside its node: the platform's answer
// may carry leftover bytes, and the reader keeps what is intact. A value or a
// table running past its node would take the platform's walk past what the
// resource holds, so those resources are refused whole.
TEST(MalformedResource, NeverReadsPastTheCopy) {
  const ProbedReader unterminated = ReadGuarded("unterminated_end.dll");
  ASSERT_TRUE(unterminated.Valid());
  EXPECT_EQ("Tail", unterminated.ProductName());
  EXPECT_THAT(unterminated.FileDescription(), ::testing::StartsWith("ABC"));

  for (const char* overrun : {"overrun_value.dll", "overrun_table.dll"}) {
    SCOPED_TRACE(overrun);
    const ProbedReader reader = ReadGuarded(overrun);
    EXPECT_FALSE(reader.Valid());
    EXPECT_EQ(VersionAnswers{}, AnswersOf(reader));
  }
}

TEST(UnreadableFile, IsNotValidAndAnswersNothing) {
  for (const char* name : {"no_version.dll", "empty.dll", "notpe.dll", "missing.dll"}) {
    SCOPED_TRACE(name);
    const ProbedReader reader = ReadGuarded(name);
    EXPECT_FALSE(reader.Valid());
    EXPECT_EQ(0, GuardPageBlocksInUse()) << "a block was taken for nothing";
    for (int read = 0; read < 2; ++read) EXPECT_EQ(VersionAnswers{}, AnswersOf(reader));
  }
  EXPECT_FALSE(TVersionInfo("").Valid());
}

TEST(Allocation, FailureLeavesTheConstructor) {
  static constexpr VersionBufferPolicy failing{[](DWORD) -> BYTE* { throw std::bad_alloc(); },
                                               [](BYTE*) noexcept {}};
  EXPECT_THROW(TVersionInfo(FixturePath("matching.dll"), failing), std::bad_alloc);
}

}  // namespace
}  // namespace libinfo::testing
