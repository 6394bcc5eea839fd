#include <gtest/gtest.h>
#include <windows.h>

#include "scan/Paths.h"

namespace libinfo {
namespace {

TEST(AddTrailingSeparator, CompletesFoldersAndDriveLetters) {
  EXPECT_EQ("", AddTrailingSeparator(""));
  EXPECT_EQ("C:\\", AddTrailingSeparator("C:\\"));
  EXPECT_EQ("d:\\", AddTrailingSeparator("d"));
  EXPECT_EQ("Z:\\", AddTrailingSeparator("Z"));
  EXPECT_EQ("C:\\WINDOWS\\", AddTrailingSeparator("C:\\WINDOWS"));
  EXPECT_EQ("C:\\", AddTrailingSeparator("C:"));
}

TEST(AddTrailingSeparator, OnlyAsciiLettersAreDrives) {
  EXPECT_EQ("1\\", AddTrailingSeparator("1"));
  EXPECT_EQ("\xC4\\", AddTrailingSeparator("\xC4"));  // a letter outside A to Z
  EXPECT_EQ("@\\", AddTrailingSeparator("@"));
  EXPECT_EQ("[\\", AddTrailingSeparator("["));
  EXPECT_EQ("ab\\", AddTrailingSeparator("ab"));
}

TEST(SystemDirectory, IsThePlatformsWithoutATrailingSeparator) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  EXPECT_EQ(std::string(system), SystemDirectory());
  EXPECT_NE('\\', SystemDirectory().back());
}

}  // namespace
}  // namespace libinfo
