// The library file's own version resource, as any file viewer reads it.
#include <gtest/gtest.h>

#include "Identity.h"
#include "Support.h"

namespace libinfo::testing {
namespace {

constexpr char kLibraryFile[] = "libinfo.pdl";

class LibraryResource : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto blob = LoadVersionResource(kLibraryFile);
    ASSERT_TRUE(blob) << kLibraryFile << " has no version resource";
    auto parsed = ParseVersionBlob(*blob);
    ASSERT_TRUE(parsed);
    root_ = std::move(*parsed);
  }

  [[nodiscard]] std::optional<std::string> Value(const wchar_t* name) const {
    const RawBlock* found = StringOf(root_, L"040904E4", name);
    if (!found) return std::nullopt;
    return found->Text().value_or("");
  }

  RawBlock root_;
};

TEST_F(LibraryResource, FixedBlockDescribesA32BitApplicationVersion1) {
  const auto fixed = FixedInfoOf(root_);
  ASSERT_TRUE(fixed);
  EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
  EXPECT_EQ("1.0.0.0", FormatVersionNumber({fixed->dwFileVersionMS, fixed->dwFileVersionLS}));
  EXPECT_EQ("1.0.0.0", FormatVersionNumber({fixed->dwProductVersionMS, fixed->dwProductVersionLS}));
  EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
  EXPECT_EQ(0u, fixed->dwFileFlags);
  EXPECT_EQ(4u, fixed->dwFileOS);
  EXPECT_EQ(1u, fixed->dwFileType);
  EXPECT_EQ(0u, fixed->dwFileSubtype);
}

TEST_F(LibraryResource, StringTableIsKeyedByTheFirstTranslation) {
  const auto translation = FirstTranslationOf(root_);
  ASSERT_TRUE(translation);
  EXPECT_EQ(0x0409, translation->first);
  EXPECT_EQ(0x04E4, translation->second);

  EXPECT_EQ("Library Information plug-in for Orvenna Harbor", Value(L"FileDescription"));
  EXPECT_EQ("1.0.0.0", Value(L"FileVersion"));
  EXPECT_EQ(LIBINFO_FILE_NAME, Value(L"InternalName"));
  EXPECT_EQ(LIBINFO_FILE_NAME, Value(L"OriginalFilename"));
  EXPECT_EQ("Orvenna Harbor Plug-In", Value(L"ProductName"));
  EXPECT_EQ("1.0.0", Value(L"ProductVersion"));
  EXPECT_EQ("", Value(L"LegalTrademarks"));
  EXPECT_EQ("", Value(L"Comments"));
  EXPECT_EQ(LIBINFO_COMPANY_NAME, Value(L"CompanyName"));
  EXPECT_EQ(LIBINFO_COPYRIGHT, Value(L"LegalCopyright"));
}

TEST_F(LibraryResource, ReaderSeesTheSameFourValues) {
  const TVersionInfo reader(kLibraryFile);
  ASSERT_TRUE(reader.Valid());
  EXPECT_EQ((VersionAnswers{"Library Information plug-in for Orvenna Harbor",
                            "Orvenna Harbor Plug-In", "1.0.0.0", "1.0.0"}),
            AnswersOf(reader));
}

}  // namespace
}  // namespace libinfo::testing
