#include <gtest/gtest.h>

#include "version/VerInfo.h"

namespace libinfo {
namespace {

TEST(FormatVersionNumber, PrintsFourUnpaddedUnsignedParts) {
  EXPECT_EQ("5.1.2600.0", FormatVersionNumber({MAKELONG(1, 5), MAKELONG(0, 2600)}));
  EXPECT_EQ("1.0.0.1", FormatVersionNumber({MAKELONG(0, 1), MAKELONG(1, 0)}));
  EXPECT_EQ("0.0.0.0", FormatVersionNumber({0, 0}));
  EXPECT_EQ("65535.65535.65535.65535", FormatVersionNumber({0xFFFFFFFF, 0xFFFFFFFF}));
  EXPECT_EQ("32768.1.65535.32767", FormatVersionNumber({0x80000001, 0xFFFF7FFF}));
}

}  // namespace
}  // namespace libinfo
