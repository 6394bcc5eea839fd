// ShowItemProperties against the system's own shell. Depending on the shell
// the call returns at once or only after the sheet is closed, so a second
// thread looks for the sheet and closes it either way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "common/SheetWatcher.h"
#include "shell/ItemProp.h"
#include "window/Application.h"

using libinfo::Application;
using libinfo::ShowItemProperties;
using testing_windows::Lower;
using testing_windows::SheetWatcher;

namespace {

using namespace std::chrono_literals;

class SystemShellProperties : public testing::Test {
 protected:
  void SetUp() override { Application().SetCursor(previousCursor); }
  void TearDown() override {
    EXPECT_EQ(previousCursor, Application().Cursor());
    Application().SetCursor(nullptr);
  }

  HCURSOR previousCursor = ::LoadCursor(nullptr, IDC_CROSS);
};

TEST_F(SystemShellProperties, OpensTheSheetOfASystemFile) {
  SheetWatcher watcher(L"kernel32");

  const bool shown = ShowItemProperties("C:\\windows\\system32\\kernel32.dll", nullptr);
  watcher.Wait();

  EXPECT_TRUE(shown);
  ASSERT_TRUE(watcher.Found());
  EXPECT_NE(std::wstring::npos, Lower(watcher.Title()).find(L"kernel32"));
}

TEST_F(SystemShellProperties, OpensOneSheetForThePatternMatches) {
  SheetWatcher watcher(L"kernel32");

  const bool shown = ShowItemProperties("C:\\windows\\system32\\kernel32.d?l", nullptr);
  watcher.Wait();

  EXPECT_TRUE(shown);
  EXPECT_TRUE(watcher.Found());
}

TEST_F(SystemShellProperties, PathNamingNoFileShowsNothing) {
  SheetWatcher watcher(L"");

  EXPECT_FALSE(ShowItemProperties("C:\\windows\\system32\\no-such-library.dll", nullptr));
  EXPECT_FALSE(ShowItemProperties("C:\\no-such-folder\\kernel32.dll", nullptr));
  EXPECT_FALSE(ShowItemProperties("C:\\windows\\system32\\no-such-*.dll", nullptr));
  watcher.Stop();

  EXPECT_FALSE(watcher.Found()) << "unexpected dialog";
}

}  // namespace
