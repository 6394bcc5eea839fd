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

UINT WINAPI FailingCall(LPSTR, UINT) {
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

// The platform answers a buffer too small with the size it needs, and may
// have written part of the path meanwhile.
UINT WINAPI AnswerThatDoesNotFit(LPSTR buffer, UINT size) {
  lstrcpynA(buffer, "C:\\partial", size);
  return size + 40;
}

UINT WINAPI AnswerOfExactlyTheBuffer(LPSTR buffer, UINT size) {
  FillMemory(buffer, size, 'x');
  return size;
}

TEST(SystemDirectory, IsEmptyWhenTheCallFailsOrItsAnswerDoesNotFit) {
  EXPECT_EQ("", SystemDirectory(FailingCall));
  EXPECT_EQ("", SystemDirectory(AnswerThatDoesNotFit));
  EXPECT_EQ("", SystemDirectory(AnswerOfExactlyTheBuffer)) << "no room for its terminator";
}

}  // namespace
}  // namespace libinfo
