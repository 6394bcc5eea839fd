// The run command as the host calls it: the window is lent the host's
// window as owner for exactly the duration of the call.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/LibraryFolder.h"
#include "common/WindowWatch.h"
#include "plugin/PlugIntf.h"
#include "window/Application.h"
#include "window/PrgsDlg.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;

struct RunObservation {
  HWND window = nullptr;
  HWND windowOwner = nullptr;
  HWND lentOwner = nullptr;
  bool hostEnabledDuringRun = true;
  HWND host = nullptr;
};
RunObservation observed;

// Closes the library window once its first scan is over, from the window's
// own modal loop.
void CALLBACK CloseWhenScanned(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = FindWindowA(nullptr, "System Library Info");
  if (!window || ProgressDlg || !IsWindowVisible(window)) return;
  observed.window = window;
  observed.windowOwner = GetWindow(window, GW_OWNER);
  observed.lentOwner = Application().Handle();
  observed.hostEnabledDuringRun = observed.host && IsWindowEnabled(observed.host);
  KillTimer(nullptr, timer);
  PostMessageA(window, WM_CLOSE, 0, 0);
}

class HostWindow {
 public:
  HostWindow()
      : hwnd_(CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, nullptr, nullptr)) {}
  ~HostWindow() { DestroyWindow(hwnd_); }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

class RunCommand : public ::testing::Test {
 protected:
  RunCommand() {
    folder_.CopySystemFile("version.dll");
    observed = {};
  }
  LibraryFolder folder_;
};

TEST_F(RunCommand, LendsTheHostWindowAsOwnerOnlyForTheCall) {
  HostWindow host;
  observed.host = host.get();
  HWND before = reinterpret_cast<HWND>(0x5EED);
  Application().SetHandle(before);
  SetTimer(nullptr, 0, 30, CloseWhenScanned);
  EXPECT_EQ(0u, RunLibraryCommand(host.get(), folder_.Path().c_str()));
  ASSERT_NE(nullptr, observed.window) << "the window opened and finished its scan";
  EXPECT_EQ(host.get(), observed.windowOwner);
  EXPECT_EQ(host.get(), observed.lentOwner);
  EXPECT_FALSE(observed.hostEnabledDuringRun) << "modal: the host waits";
  EXPECT_TRUE(IsWindowEnabled(host.get()));
  EXPECT_FALSE(IsWindow(observed.window)) << "destroyed when the call returns";
  EXPECT_EQ(before, Application().Handle());
  Application().SetHandle(nullptr);
}

// A watcher thread reads and closes the failure's message box.
std::string CloseFailureBox() {
  using namespace testing_windows;
  HWND box = WaitForTopLevelWindow(GetCurrentProcessId(), kDialogClass, nullptr, 6s);
  if (!box) return {};
  const std::string text = MessageBoxText(box);
  PressOk(box);
  return text;
}

TEST_F(RunCommand, FailedCreationGivesTheOwnerBackAndSaysWhy) {
  HWND before = reinterpret_cast<HWND>(0x5EED);
  Application().SetHandle(before);
  std::string shown;
  std::thread watcher([&] { shown = CloseFailureBox(); });
  const HWND notAWindow = reinterpret_cast<HWND>(0x00BADBAD);
  EXPECT_EQ(0u, RunLibraryCommand(notAWindow, folder_.Path().c_str()));
  watcher.join();
  EXPECT_NE(std::string::npos, shown.find("System Library Info")) << "shown: " << shown;
  EXPECT_EQ(before, Application().Handle());
  EXPECT_EQ(nullptr, FindWindowA("LibInfoSysLibWin", nullptr)) << "no half-made window stays";

  // And the next call works as if nothing happened.
  SetTimer(nullptr, 0, 30, CloseWhenScanned);
  RunLibraryCommand(nullptr, folder_.Path().c_str());
  EXPECT_NE(nullptr, observed.window);
  Application().SetHandle(nullptr);
}

}  // namespace
}  // namespace libinfo::testing
