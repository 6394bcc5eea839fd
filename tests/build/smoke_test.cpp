#include <gtest/gtest.h>
#include <windows.h>

TEST(Build, RunsUnderWine) {
  char dir[MAX_PATH] = {};
  ASSERT_NE(0u, GetSystemDirectoryA(dir, sizeof dir));
  EXPECT_STRCASEEQ("C:\\windows\\system32", dir);
}
