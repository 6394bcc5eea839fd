// The two records as the host sees them: raw bytes at fixed offsets. The
// expected images are built from literal offsets, independently of the
// struct declarations, and compared byte for byte with what the plug-in
// left in a record the host had filled with a sentinel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Identity.h"
#include "plugin/PlugIntf.h"

namespace {

using libinfo::PlugInItemRecord;
using libinfo::PlugInLibRecord;

using Bytes = std::vector<std::uint8_t>;

// The two layouts hosts pass: the same packed records, with code addresses
// of 4 bytes (32-bit hosts) or 8 bytes (64-bit hosts). The wider address
// moves the two host words that follow the item query.
struct Layout {
  std::size_t librarySize;
  std::size_t itemSize;
  std::size_t addressWidth;
  std::size_t wordAfterItemQuery;
  std::size_t lastWord;
};
constexpr Layout kHost32{824, 1596, 4, 816, 820};
constexpr Layout kHost64{828, 1600, 8, 820, 824};
// Each build is checked against the layout of the hosts it is built for.
constexpr Layout kLayout = sizeof(void*) == 8 ? kHost64 : kHost32;

constexpr char kItemName[] = "Libraries Information Plug-In";
constexpr char kItemDescription[] =
    "System libraries version information plug-in for Orvenna Harbor";
constexpr char kItemCaption[] = "Libraries information";

// The record the host passes: every byte the sentinel.
template <typename Record>
Record Filled(std::uint8_t sentinel) {
  Record record;
  std::memset(&record, sentinel, sizeof record);
  return record;
}

template <typename Record>
Bytes BytesOf(const Record& record) {
  const auto begin = reinterpret_cast<const std::uint8_t*>(&record);
  return Bytes(begin, begin + sizeof record);
}

// What a record must look like afterwards: the sentinel wherever the
// plug-in has no business writing.
class Image {
 public:
  Image(std::size_t size, std::uint8_t sentinel) : bytes_(size, sentinel) {}

  Image& Text(std::size_t offset, std::string_view text) {
    std::memcpy(&bytes_.at(offset), text.data(), text.size());
    bytes_.at(offset + text.size()) = 0;
    return *this;
  }
  Image& Word(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes_.at(offset + i) = (value >> (8 * i)) & 0xFF;
    return *this;
  }
  Image& Address(std::size_t offset, const void* address) {
    const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address));
    for (std::size_t i = 0; i < kLayout.addressWidth; ++i) {
      bytes_.at(offset + i) = (value >> (8 * i)) & 0xFF;
    }
    return *this;
  }
  [[nodiscard]] const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// The differing offsets, so a failure names the field that went wrong.
std::string Differences(const Bytes& actual, const Bytes& expected) {
  std::string report;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (actual[i] == expected[i]) continue;
    report += "offset " + std::to_string(i) + ": " + std::to_string(actual[i]) + " instead of " +
              std::to_string(expected[i]) + "\n";
  }
  return report;
}

Bytes ExpectedLibraryRecord(std::uint8_t sentinel) {
  return Image(kLayout.librarySize, sentinel)
      .Text(4, "libinfo.pdl")
      .Word(268, 1)
      .Word(272, 0)
      .Word(276, 1)
      .Text(280, LIBINFO_COPYRIGHT)
      .Word(804, 1)
      .Word(808, 98304)
      .Address(812, reinterpret_cast<const void*>(&ItemQuery))
      .Word(kLayout.wordAfterItemQuery, 0)
      .Word(kLayout.lastWord, 0)
      .bytes();
}

Bytes ExpectedItemRecord(std::uint8_t sentinel) {
  return Image(kLayout.itemSize, sentinel)
      .Text(4, kItemName)
      .Text(265, kItemDescription)
      .Word(528, 5)
      .Text(532, kItemCaption)
      .Text(793, "")
      .Word(1576, 1)
      .Word(1580, 65536)
      .Address(1592, reinterpret_cast<const void*>(&CommandQuery))
      .bytes();
}

TEST(RecordLayout, IsTheOneOfHostsOfThisBitness) {
  EXPECT_EQ(kLayout.librarySize, sizeof(PlugInLibRecord));
  EXPECT_EQ(kLayout.itemSize, sizeof(PlugInItemRecord));
  EXPECT_EQ(kLayout.addressWidth, sizeof(PlugInLibRecord::itemQuery));
  EXPECT_EQ(kLayout.addressWidth, sizeof(PlugInItemRecord::commandQuery));
}

// Zero and 0xFF as sentinels catch a missing terminator or a word written
// with the wrong width that a single sentinel could happen to hide.
class Sentinel : public testing::TestWithParam<std::uint8_t> {};
INSTANTIATE_TEST_SUITE_P(Fills, Sentinel, testing::Values(0x00, 0xAB, 0xFF));

TEST_P(Sentinel, LibraryRecordGetsItsValuesAndNothingElse) {
  auto record = Filled<PlugInLibRecord>(GetParam());
  InitPlugInLib(&record);
  EXPECT_EQ("", Differences(BytesOf(record), ExpectedLibraryRecord(GetParam())));
}

TEST_P(Sentinel, ItemOneGetsItsValuesAndNothingElse) {
  auto item = Filled<PlugInItemRecord>(GetParam());
  EXPECT_EQ(libinfo::kItemFilled, ItemQuery(1, &item));
  EXPECT_EQ("", Differences(BytesOf(item), ExpectedItemRecord(GetParam())));
}

TEST_P(Sentinel, NoOtherIndexTouchesTheItemRecord) {
  for (const std::uint32_t index : {0u, 2u, 3u, 17u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(index);
    auto item = Filled<PlugInItemRecord>(GetParam());
    EXPECT_EQ(libinfo::kNoSuchItem, ItemQuery(index, &item));
    EXPECT_EQ(BytesOf(Filled<PlugInItemRecord>(GetParam())), BytesOf(item));
  }
}

// The host reaches the item query and the command query only through the
// addresses in the records, so these must be the working entry points.
TEST(RecordAddresses, LeadFromTheLibraryRecordToTheCommands) {
  auto record = Filled<PlugInLibRecord>(0xAB);
  InitPlugInLib(&record);
  auto item = Filled<PlugInItemRecord>(0xAB);
  ASSERT_EQ(libinfo::kItemFilled, record.itemQuery(1, &item));
  EXPECT_EQ(&ShowAbout, item.commandQuery(libinfo::kCommandAbout));
}

TEST(RecordAddresses, CallsWithoutARecordWriteNothingAndSayNoItem) {
  InitPlugInLib(nullptr);
  // A host must not be told an item was filled when there was nowhere to fill it.
  EXPECT_NE(libinfo::kItemFilled, ItemQuery(1, nullptr));
  EXPECT_EQ(libinfo::kNoSuchItem, ItemQuery(2, nullptr));
}

}  // namespace
