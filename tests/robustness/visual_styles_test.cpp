// The plug-in brings its own visual styles: through its entry points, in
// this host without a manifest, its standard controls are those of the
// common controls of version 6, from the scan's dialog to the in-place edit
// and the About box.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>

#include "Owned.h"
#include "PlugInModule.h"
#include "common/ControlModule.h"
#include "common/WindowWatch.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;
using testing_windows::ControlModule;

constexpr char kVersion6[] = "comctl32.dll";

struct ChildSearch {
  const char* className;
  const char* text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto& search = *reinterpret_cast<ChildSearch*>(param);
  if (_stricmp(testing_windows::ClassName(child).c_str(), search.className) != 0) return TRUE;
  if (search.text && testing_windows::WindowText(child) != search.text) return TRUE;
  search.found = child;
  return FALSE;
}

HWND ChildOfClass(HWND parent, const char* className, const char* text = nullptr) {
  ChildSearch search{className, text, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What a thread timer saw of the run: the Stop button while the scan ran,
// then the window's picture and the list's in-place edit once it ended.
struct RunSeen {
  std::string stopButton, picture, labelEditor;
  bool closed = false;
};
RunSeen g_seen;

void CALLBACK InspectRun(HWND, UINT, UINT_PTR timer, DWORD) {
  const DWORD self = GetCurrentProcessId();
  if (HWND dialog = testing_windows::FindTopLevelWindow(self, nullptr, "Scanning...")) {
    if (g_seen.stopButton.empty()) {
      HWND stop = ChildOfClass(dialog, "Button", "Stop");
      g_seen.stopButton = stop ? ControlModule(stop) : "<no Stop>";
    }
    return;
  }
  HWND window = testing_windows::FindTopLevelWindow(self, nullptr, "System Library Info");
  HWND list = window ? ChildOfClass(window, WC_LISTVIEWA) : nullptr;
  if (!list || !IsWindowVisible(window) || SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0) return;
  KillTimer(nullptr, timer);
  HWND picture = ChildOfClass(window, "Static");
  g_seen.picture = picture ? ControlModule(picture) : "<no picture>";
  SetFocus(list);
  HWND editor = reinterpret_cast<HWND>(SendMessageA(list, LVM_EDITLABELA, 0, 0));
  g_seen.labelEditor = editor ? ControlModule(editor) : "<no editor>";
  if (editor) SendMessageA(list, LVM_CANCELEDITLABEL, 0, 0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  g_seen.closed = true;
}

class OwnVisualStyles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plugIn_.Loaded());
    PlugInLibRecord record{};
    plugIn_.Init(record);
    // The premise: this program is a host whose controls are user32's.
    const UniqueWindow button(
        CreateWindowExA(0, "BUTTON", "host", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ("user32.dll", ControlModule(button.get()));
  }
  PlugInModule plugIn_;
};

TEST_F(OwnVisualStyles, TheLibraryWindowAndItsDialogUseVersion6) {
  g_seen = {};
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, InspectRun);
  ASSERT_NE(0u, timer);
  plugIn_.Command(kCommandRun)(0, nullptr);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(g_seen.closed) << "the run ended before its list was seen";
  EXPECT_EQ(kVersion6, g_seen.stopButton);
  EXPECT_EQ(kVersion6, g_seen.picture);
  EXPECT_EQ(kVersion6, g_seen.labelEditor);

  // And the host's context is back once the command has returned.
  const UniqueWindow after(
      CreateWindowExA(0, "BUTTON", "host", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ("user32.dll", ControlModule(after.get()));
}

TEST_F(OwnVisualStyles, TheAboutBoxUsesVersion6) {
  std::string okButton;
  std::thread watcher([&okButton] {
    HWND box =
        testing_windows::WaitForTopLevelWindow(GetCurrentProcessId(), testing_windows::kDialogClass,
                                               "About Libraries Information Plug-In", 10s);
    if (!box) return;
    HWND ok = ChildOfClass(box, "Button");
    okButton = ok ? ControlModule(ok) : "<no button>";
    testing_windows::PressOk(box);
  });
  plugIn_.Command(kCommandAbout)(0, nullptr);
  watcher.join();
  EXPECT_EQ(kVersion6, okButton);
}

}  // namespace
}  // namespace libinfo::testing
