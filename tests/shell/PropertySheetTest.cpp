// ShowItemProperties against the system's own shell. Depending on the shell
// the call returns at once or only after the sheet is closed, so a second
// thread looks for the sheet and closes it either way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "shell/ItemProp.h"
#include "window/Application.h"

using libinfo::Application;
using libinfo::ShowItemProperties;

namespace {

using namespace std::chrono_literals;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

// Finds a top-level dialog whose title contains a text, records the title and
// closes the dialog. Reads titles without messages, so a thread that is busy
// joining this one cannot block it.
class SheetWatcher {
 public:
  explicit SheetWatcher(std::wstring titlePart, std::chrono::milliseconds timeout = 15s)
      : titlePart_(Lower(std::move(titlePart))), timeout_(timeout), thread_([this] { Watch(); }) {}
  ~SheetWatcher() { Stop(); }

  // Waits until the sheet was found and closed or the time is up.
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }
  void Stop() {
    stop_ = true;
    Wait();
  }
  [[nodiscard]] bool Found() const { return !title_.empty(); }
  [[nodiscard]] const std::wstring& Title() const { return title_; }

 private:
  struct Search {
    const std::wstring* titlePart;
    HWND found = nullptr;
    std::wstring title;
  };

  static BOOL CALLBACK Check(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    char className[32] = {};
    ::GetClassNameA(window, className, sizeof className);
    wchar_t title[256] = {};
    ::InternalGetWindowText(window, title, 256);
    if (std::string(className) != "#32770") return TRUE;
    if (Lower(title).find(*search.titlePart) == std::wstring::npos) return TRUE;
    search.found = window;
    search.title = title;
    return FALSE;
  }

  void Watch() {
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      Search search{&titlePart_, nullptr, {}};
      ::EnumWindows(Check, reinterpret_cast<LPARAM>(&search));
      if (search.found) {
        title_ = search.title;
        Close(search.found);
        return;
      }
      std::this_thread::sleep_for(50ms);
    }
  }

  static void Close(HWND sheet) {
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && ::IsWindow(sheet); ++i) std::this_thread::sleep_for(50ms);
    if (::IsWindow(sheet)) ::PostMessageA(sheet, WM_CLOSE, 0, 0);
  }

  std::wstring titlePart_;
  std::chrono::milliseconds timeout_;
  std::atomic<bool> stop_{false};
  std::wstring title_;
  std::thread thread_;
};

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
