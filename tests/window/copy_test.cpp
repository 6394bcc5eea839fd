// The row menu and copying rows to the real clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/LibraryFolder.h"
#include "common/ScanProbe.h"
#include "common/ScanRunners.h"
#include "common/SheetWatcher.h"
#include "common/WindowWatch.h"
#include "version/VerInfo.h"
#include "window/Application.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;
using Window = TSysLibInfoWin;

constexpr char kHeader[] =
    "Library filename\tLibrary description\tLibrary product name\tFile version\tProduct "
    "version\r\n";

template <typename Char>
std::basic_string<Char> ClipboardData(UINT format) {
  HANDLE data = GetClipboardData(format);
  if (!data) return {};
  std::basic_string<Char> text(static_cast<const Char*>(GlobalLock(data)));
  GlobalUnlock(data);
  return text;
}

// The clipboard's ANSI text, as another program reads it; the Unicode text
// must say the same (the tests' texts are ASCII).
std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return "<busy>";
  const std::string ansi = ClipboardData<char>(CF_TEXT);
  const std::wstring unicode = ClipboardData<wchar_t>(CF_UNICODETEXT);
  CloseClipboard();
  EXPECT_EQ(std::wstring(ansi.begin(), ansi.end()), unicode);
  return ansi;
}

void SetClipboardText(const char* text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
  strcpy(static_cast<char*>(GlobalLock(block)), text);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// Posts a key as the keyboard would deliver it, with a modifier held.
void Press(HWND target, int key, int held = 0, UINT message = WM_KEYDOWN) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  memcpy(state, saved, sizeof state);
  if (held) state[held] = 0x80;
  SetKeyboardState(state);
  PostMessageA(target, message, key, 1);
  Application().ProcessMessages();
  SetKeyboardState(saved);
}

struct ShownMenu {
  std::vector<std::string> texts;  // "-" for a separator
  std::vector<bool> enabled;
  UINT defaultId = 0;
  RECT frame{};
};

// Records every popup menu the thread shows while it lives, then types the
// mnemonic into it, or dismisses it. Its thread timer runs inside the menu's
// own message loop.
class MenuWatch {
 public:
  explicit MenuWatch(char mnemonic = 0) : mnemonic_(mnemonic) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &OnTimer);
  }
  ~MenuWatch() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  std::vector<ShownMenu> shown;

 private:
  static BOOL CALLBACK KeepVisiblePopup(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || testing_windows::ClassName(window) != "#32768") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &KeepVisiblePopup, reinterpret_cast<LPARAM>(&popup));
    if (!active_ || !popup) return;
    const auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    ShownMenu seen;
    GetWindowRect(popup, &seen.frame);
    seen.defaultId = GetMenuDefaultItem(menu, FALSE, GMDI_USEDISABLED);
    for (int index = 0; index < GetMenuItemCount(menu); ++index) {
      char text[64] = {};
      GetMenuStringA(menu, index, text, sizeof text, MF_BYPOSITION);
      const UINT state = GetMenuState(menu, index, MF_BYPOSITION);
      seen.texts.push_back(state & MF_SEPARATOR ? "-" : text);
      seen.enabled.push_back(!(state & MF_GRAYED));
    }
    active_->shown.push_back(seen);
    if (active_->mnemonic_) {
      PostMessageA(popup, WM_CHAR, active_->mnemonic_, 0);
    } else {
      EndMenu();
    }
  }

  static inline MenuWatch* active_ = nullptr;
  char mnemonic_;
  UINT_PTR timer_ = 0;
};

// Reads the text of the next message box of the process and presses OK.
std::string CloseMessageBox() {
  using namespace testing_windows;
  HWND box = WaitForTopLevelWindow(GetCurrentProcessId(), kDialogClass, nullptr, 5s);
  if (!box) return "<no message box>";
  const std::string text = MessageBoxText(box);
  PressOk(box);
  return text;
}

class CopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillWithTypicalEntries(folder_);
    window_.Show();
    window_.ScanSystemLibraries();
    ASSERT_EQ(5, window_.RowCount());
    SetClipboardText("before");
  }

  void Select(int row) {
    SetFocus(window_.lvLibList);
    ListView_SetItemState(window_.lvLibList, row, row < 0 ? 0 : LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  }
  int Selected() const { return ListView_GetNextItem(window_.lvLibList, -1, LVNI_SELECTED); }
  void MenuFromKeyboard() {
    SendMessageA(window_.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_.lvLibList), -1);
  }
  // A right-click on the row, or that far below it.
  void RightClick(int row, int below = 0) {
    RECT bounds{};
    ListView_GetItemRect(window_.lvLibList, row, &bounds, LVIR_BOUNDS);
    POINT at{200, below ? bounds.bottom + below : (bounds.top + bounds.bottom) / 2};
    POINT screen = at;
    ClientToScreen(window_.lvLibList, &screen);
    SetCursorPos(screen.x, screen.y);  // where the list says the click happened
    PostMessageA(window_.lvLibList, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(window_.lvLibList, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Application().ProcessMessages();
  }
  // The row as the version reader sees the file, the caption as given.
  std::string ReaderLine(const std::string& name, const std::string& caption) const {
    const TVersionInfo info(folder_.Path() + "\\" + name);
    return caption + "\t" + info.FileDescription() + "\t" + info.ProductName() + "\t" +
           info.FileVersion() + "\t" + info.ProductVersion();
  }

  LibraryFolder folder_;
  Window window_{folder_.Path()};
};

TEST_F(CopyTest, CtrlCCopiesTheSelectedRowAsShown) {
  Select(-1);
  Press(window_.lvLibList, 'C', VK_CONTROL);
  EXPECT_EQ("before", ClipboardText()) << "no row, nothing copied";

  const std::string name = folder_.ExpectedRows()[2];
  Select(2);
  Press(window_.lvLibList, 'C', VK_CONTROL);
  EXPECT_EQ(ReaderLine(name, name) + "\r\n", ClipboardText());

  Press(window_.lvLibList, VK_F2);
  HWND edit = ListView_GetEditControl(window_.lvLibList);
  ASSERT_NE(nullptr, edit);
  SetWindowTextA(edit, "renamed.dll");
  SetFocus(window_.Handle());  // leaving the editor keeps the new text
  PumpUntil([&] { return ListView_GetEditControl(window_.lvLibList) == nullptr; });
  SetFocus(window_.lvLibList);
  Press(window_.lvLibList, 'C', VK_CONTROL);
  EXPECT_EQ(ReaderLine(name, "renamed.dll") + "\r\n", ClipboardText());
}

TEST_F(CopyTest, CopyAllRowsFromTheMenuGivesTheCaptionsThenEveryRowInListOrder) {
  std::vector<std::string> expected = Lines(kHeader);
  for (const auto& name : folder_.ExpectedRows()) expected.push_back(ReaderLine(name, name));
  Select(1);
  MenuWatch watch('a');
  // From the keyboard, with the position as a 64-bit system sends it.
  SendMessageA(window_.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_.lvLibList),
               static_cast<LPARAM>(MAKELPARAM(-1, -1)));
  EXPECT_EQ(1u, watch.shown.size());
  const std::string text = ClipboardText();
  EXPECT_EQ(expected, Lines(text));
  EXPECT_EQ("\r\n", text.substr(text.size() - 2));
}

TEST_F(CopyTest, MenuItemsFollowTheSelection) {
  MenuWatch watch;
  RightClick(3);
  EXPECT_EQ(3, Selected()) << "the row under the mouse";
  Select(-1);
  MenuFromKeyboard();
  Select(1);
  RightClick(4, 20);  // empty space below the last row
  EXPECT_EQ(-1, Selected());
  ASSERT_EQ(3u, watch.shown.size());
  const std::vector<std::string> texts = {"&Properties\tAlt+Enter", "-", "&Copy\tCtrl+C",
                                          "Copy &all rows"};
  for (const ShownMenu& menu : watch.shown) {
    EXPECT_EQ(texts, menu.texts);
    EXPECT_EQ(static_cast<UINT>(Window::miProperties), menu.defaultId) << "shown bold";
  }
  EXPECT_EQ((std::vector<bool>{true, false, true, true}), watch.shown[0].enabled);
  EXPECT_EQ((std::vector<bool>{false, false, false, true}), watch.shown[1].enabled);
  EXPECT_EQ((std::vector<bool>{false, false, false, true}), watch.shown[2].enabled);
}

TEST_F(CopyTest, KeysOpenTheMenuOnceAtTheSelectedRow) {
  Select(4);
  RECT caption{};
  ListView_GetItemRect(window_.lvLibList, 4, &caption, LVIR_LABEL);
  POINT expected{caption.left, caption.bottom};
  ClientToScreen(window_.lvLibList, &expected);
  MenuWatch watch;
  Press(window_.lvLibList, VK_APPS);
  Press(window_.lvLibList, VK_APPS, 0, WM_KEYUP);
  Press(window_.lvLibList, VK_F10, VK_SHIFT, WM_SYSKEYDOWN);
  ASSERT_EQ(2u, watch.shown.size()) << "the menu key and Shift+F10, once each";
  for (const ShownMenu& menu : watch.shown) {
    EXPECT_EQ(expected.x, menu.frame.left);
    EXPECT_EQ(expected.y, menu.frame.top);
  }
}

TEST_F(CopyTest, PropertiesInTheMenuIsTheToolButtonsAction) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  const auto names = folder_.ExpectedRows();
  Select(static_cast<int>(std::find(names.begin(), names.end(), "version.dll") - names.begin()));
  {
    MenuWatch watch('p');
    testing_windows::SheetWatcher sheet(L"version.dll");
    MenuFromKeyboard();
    sheet.Wait();
    EXPECT_TRUE(sheet.Found());
  }
  OleUninitialize();
}

TEST_F(CopyTest, NoMenuOpensAndNothingIsCopiedDuringAScan) {
  ScanProbe probe;
  MenuWatch watch;
  Select(0);
  probe.AfterListed(2, [&] {
    MenuFromKeyboard();
    PostMessageA(window_.Handle(), WM_COMMAND, Window::miCopyAll, 0);
  });
  window_.tbRefreshClick();
  EXPECT_TRUE(watch.shown.empty());
  EXPECT_EQ("before", ClipboardText());
}

TEST_F(CopyTest, BusyClipboardIsReportedAndLeftAsItWas) {
  // Another thread, with a window of its own, holds the clipboard open.
  HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    const bool held = OpenClipboard(owner);
    SetEvent(opened);
    WaitForSingleObject(release, INFINITE);
    if (held) CloseClipboard();
    DestroyWindow(owner);
  });
  WaitForSingleObject(opened, INFINITE);
  std::string shown;
  std::thread watcher([&] { shown = CloseMessageBox(); });
  window_.miCopyAllClick();
  watcher.join();
  SetEvent(release);
  holder.join();
  CloseHandle(opened);
  CloseHandle(release);
  EXPECT_NE(std::string::npos, shown.find("clipboard")) << shown;
  EXPECT_EQ("before", ClipboardText());
}

TEST(CopyTexts, TabsLineBreaksAndQuotesStayInTheirCells) {
  LibraryFolder folder;
  ASSERT_TRUE(CopyFileA("fixtures\\awkward_texts.dll", (folder.Path() + "\\odd.dll").c_str(), 0));
  Window window(folder.Path());
  window.ScanSystemLibraries();
  window.miCopyAllClick();
  EXPECT_EQ(std::string(kHeader) +
                "odd.dll\t\"Tab\there\"\t\"Line one\r\nline two\"\t\"\"\"Quoted\"\" 1.0\"\t"
                "\"say \"\"hi\"\"\tnow\"\r\n",
            ClipboardText());
}

// Many rows come out whole and in order; how fast is the benchmark's
// business (--copy-rows).
TEST(CopyTexts, ManyRowsAreCopiedWholeAndInOrder) {
  constexpr int kRows = 5000;
  Window window("C:\\unused", MadeUpRows(kRows, "Wine 10.0.19041.1"));
  window.ScanSystemLibraries();
  ASSERT_EQ(kRows, window.RowCount());
  window.miCopyAllClick();
  const auto lines = Lines(ClipboardText());
  ASSERT_EQ(kRows + 1u, lines.size());
  EXPECT_EQ(
      "library2500.dll\tWine 10.0.19041.1\tWine 10.0.19041.1\tWine 10.0.19041.1\tWine "
      "10.0.19041.1",
      lines[2501]);
  EXPECT_EQ("library4999.dll", lines.back().substr(0, lines.back().find('\t')));
}

}  // namespace
}  // namespace libinfo::testing
