// The row menu and copying rows to the real clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/LibraryFolder.h"
#include "common/ScanProbe.h"
#include "common/SheetWatcher.h"
#include "common/WindowWatch.h"
#include "version/VerInfo.h"
#include "window/Application.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;

constexpr char kHeader[] =
    "Library filename\tLibrary description\tLibrary product name\tFile version\tProduct "
    "version\r\n";

// ---- the clipboard as another program sees it ----

struct ClipboardContent {
  std::wstring unicode;
  std::string ansi;
};

ClipboardContent ReadClipboard() {
  ClipboardContent content;
  if (!OpenClipboard(nullptr)) return {L"<clipboard busy>", "<clipboard busy>"};
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    content.unicode = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    content.ansi = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return content;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());  // the tests' texts are ASCII
}

void ExpectClipboard(const std::string& expected) {
  const ClipboardContent content = ReadClipboard();
  EXPECT_EQ(expected, content.ansi);
  EXPECT_EQ(Wide(expected), content.unicode);
}

void PutOnClipboard(const std::string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the text ends with a line break";
  return lines;
}

// ---- keys with modifiers, as the window reads them ----

class HeldKey {
 public:
  explicit HeldKey(int key) {
    GetKeyboardState(saved_);
    BYTE state[256];
    memcpy(state, saved_, sizeof state);
    state[key] = 0x80;
    SetKeyboardState(state);
  }
  ~HeldKey() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

void Press(HWND target, int key, UINT message = WM_KEYDOWN) {
  PostMessageA(target, message, key, 1);
  Application().ProcessMessages();
}

// ---- the popup menu, seen from inside its own loop ----

struct MenuEntry {
  UINT id = 0;
  std::string text;
  bool separator = false;
  bool grayed = false;
  bool isDefault = false;
};

struct ShownMenu {
  std::vector<MenuEntry> entries;
  RECT frame{};
};

// While it lives, records every popup menu the thread shows, then types the
// given mnemonic into it (or dismisses it without one). A thread timer runs
// inside the menu's own message loop.
class MenuWatch {
 public:
  explicit MenuWatch(char mnemonic = 0) : mnemonic_(mnemonic) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &OnTimer);
  }
  MenuWatch(const MenuWatch&) = delete;
  MenuWatch& operator=(const MenuWatch&) = delete;
  ~MenuWatch() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  [[nodiscard]] const std::vector<ShownMenu>& Shown() const { return shown_; }

 private:
  static BOOL CALLBACK FindPopup(HWND window, LPARAM param) {
    if (testing_windows::ClassName(window) != "#32768" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (!active_) return;
    HWND popup = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindPopup, reinterpret_cast<LPARAM>(&popup));
    if (popup == active_->handled_) return;
    active_->handled_ = popup;
    if (popup) active_->Handle(popup);
  }

  void Handle(HWND popup) {
    const auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    ShownMenu shown;
    GetWindowRect(popup, &shown.frame);
    for (int index = 0; index < GetMenuItemCount(menu); ++index) {
      char text[128] = {};
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = sizeof text;
      GetMenuItemInfoA(menu, index, TRUE, &info);
      shown.entries.push_back({info.wID, text, (info.fType & MFT_SEPARATOR) != 0,
                               (info.fState & MFS_GRAYED) != 0, (info.fState & MFS_DEFAULT) != 0});
    }
    shown_.push_back(shown);
    if (mnemonic_) {
      PostMessageA(popup, WM_CHAR, mnemonic_, 0);
    } else {
      EndMenu();
    }
  }

  static inline MenuWatch* active_ = nullptr;
  char mnemonic_;
  UINT_PTR timer_ = 0;
  HWND handled_ = nullptr;
  std::vector<ShownMenu> shown_;
};

// ---- another program holding the clipboard open ----

// A second thread with a window of its own opens the clipboard and keeps it
// until released; the clipboard belongs to one thread at a time.
class ClipboardHolder {
 public:
  ClipboardHolder() : thread_([this] { Hold(); }) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return holding_; });
  }
  ~ClipboardHolder() {
    {
      std::lock_guard lock(mutex_);
      release_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  [[nodiscard]] bool Opened() const { return opened_; }

 private:
  void Hold() {
    HWND owner = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    opened_ = OpenClipboard(owner) != FALSE;
    std::unique_lock lock(mutex_);
    holding_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return release_; });
    if (opened_) CloseClipboard();
    DestroyWindow(owner);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool holding_ = false;
  bool release_ = false;
  bool opened_ = false;
  std::thread thread_;
};

// Reads the text of the first message box the process shows and presses OK.
std::string CloseMessageBox() {
  using namespace testing_windows;
  HWND box = WaitForTopLevelWindow(GetCurrentProcessId(), kDialogClass, nullptr, 5s);
  if (!box) return "<no message box>";
  const std::string text = MessageBoxText(box);
  PressOk(box);
  return text;
}

// ---- the window on a scanned folder ----

class CopyTest : public ::testing::Test {
 protected:
  CopyTest() : scope_(folder_.Path()) {}
  void SetUp() override {
    FillWithTypicalEntries(folder_);
    window_.Show();
    window_.ScanSystemLibraries();
    ASSERT_EQ(5, window_.RowCount());
    PutOnClipboard("before");
  }

  void Select(int row) {
    SetFocus(window_.lvLibList);
    ListView_SetItemState(window_.lvLibList, row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  }
  void SelectNone() { ListView_SetItemState(window_.lvLibList, -1, 0, LVIS_SELECTED); }
  int Selected() const { return ListView_GetNextItem(window_.lvLibList, -1, LVNI_SELECTED); }

  void PressCtrlC() {
    HeldKey control(VK_CONTROL);
    Press(window_.lvLibList, 'C');
  }

  // A right-click with the mouse at the given point of the list.
  void RightClick(POINT at) {
    POINT screen = at;
    ClientToScreen(window_.lvLibList, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(window_.lvLibList, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(window_.lvLibList, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Application().ProcessMessages();
  }
  POINT InsideRow(int row) const {
    RECT bounds{};
    ListView_GetItemRect(window_.lvLibList, row, &bounds, LVIR_BOUNDS);
    return {bounds.left + 200, (bounds.top + bounds.bottom) / 2};  // in the description column
  }

  // What the reader finds in the folder, as the window shows it.
  std::string ExpectedLine(const std::string& name, const std::string& caption = {}) const {
    const TVersionInfo info(folder_.Path() + "\\" + name);
    return (caption.empty() ? name : caption) + "\t" + info.FileDescription() + "\t" +
           info.ProductName() + "\t" + info.FileVersion() + "\t" + info.ProductVersion() + "\r\n";
  }

  LibraryFolder folder_;
  ScopedLibraryDirectory scope_;
  TSysLibInfoWin window_;
};

TEST_F(CopyTest, CtrlCCopiesTheSelectedRowAsShownEvenAfterAnEdit) {
  const std::string name = folder_.ExpectedRows()[2];
  Select(2);
  PressCtrlC();
  ExpectClipboard(ExpectedLine(name));

  Press(window_.lvLibList, VK_F2);
  HWND edit = ListView_GetEditControl(window_.lvLibList);
  ASSERT_NE(nullptr, edit);
  SetWindowTextA(edit, "renamed.dll");
  SetFocus(window_.Handle());
  PumpUntil([&] { return ListView_GetEditControl(window_.lvLibList) == nullptr; });
  SetFocus(window_.lvLibList);
  PressCtrlC();
  ExpectClipboard(ExpectedLine(name, "renamed.dll"));
}

TEST_F(CopyTest, CtrlCWithoutASelectedRowLeavesTheClipboardAlone) {
  SelectNone();
  PressCtrlC();
  ExpectClipboard("before");
}

TEST_F(CopyTest, CopyAllRowsGivesTheCaptionsThenEveryRowInListOrder) {
  Select(1);
  {
    MenuWatch watch('a');
    // From the keyboard, with the position as a 64-bit system sends it.
    SendMessageA(window_.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_.lvLibList),
                 static_cast<LPARAM>(MAKELPARAM(-1, -1)));
    ASSERT_EQ(1u, watch.Shown().size());
  }
  std::vector<std::string> expected = {Lines(kHeader)[0]};
  for (const std::string& name : folder_.ExpectedRows()) {
    expected.push_back(Lines(ExpectedLine(name))[0]);
  }
  const ClipboardContent content = ReadClipboard();
  EXPECT_EQ(expected, Lines(content.ansi));
  EXPECT_EQ(Wide(content.ansi), content.unicode);
}

TEST_F(CopyTest, RightClickOnARowSelectsItAndOffersEveryItem) {
  Select(0);
  MenuWatch watch;
  RightClick(InsideRow(3));
  ASSERT_EQ(1u, watch.Shown().size());
  EXPECT_EQ(3, Selected());
  const auto& entries = watch.Shown()[0].entries;
  ASSERT_EQ(4u, entries.size());
  EXPECT_EQ(TSysLibInfoWin::miProperties, entries[0].id);
  EXPECT_EQ("&Properties\tAlt+Enter", entries[0].text);
  EXPECT_TRUE(entries[0].isDefault) << "shown bold";
  EXPECT_TRUE(entries[1].separator);
  EXPECT_EQ(TSysLibInfoWin::miCopy, entries[2].id);
  EXPECT_EQ("&Copy\tCtrl+C", entries[2].text);
  EXPECT_EQ(TSysLibInfoWin::miCopyAll, entries[3].id);
  EXPECT_EQ("Copy &all rows", entries[3].text);
  for (const auto& entry : entries) {
    if (entry.separator) continue;
    EXPECT_FALSE(entry.grayed) << entry.text;
  }
}

TEST_F(CopyTest, WithoutASelectedRowOnlyCopyAllRowsIsEnabled) {
  MenuWatch watch;
  SelectNone();
  Press(window_.lvLibList, VK_APPS);  // the menu key
  Select(1);
  RECT last{};
  ListView_GetItemRect(window_.lvLibList, 4, &last, LVIR_BOUNDS);
  RightClick({20, last.bottom + 20});  // empty space below the rows
  EXPECT_EQ(-1, Selected());
  ASSERT_EQ(2u, watch.Shown().size());
  for (const ShownMenu& menu : watch.Shown()) {
    const auto& entries = menu.entries;
    ASSERT_EQ(4u, entries.size());
    EXPECT_TRUE(entries[0].grayed) << "Properties";
    EXPECT_TRUE(entries[2].grayed) << "Copy";
    EXPECT_FALSE(entries[3].grayed) << "Copy all rows";
  }
}

TEST_F(CopyTest, KeyboardOpensTheMenuAtTheSelectedRow) {
  Select(4);
  RECT caption{};
  ListView_GetItemRect(window_.lvLibList, 4, &caption, LVIR_LABEL);
  POINT expected{caption.left, caption.bottom};
  ClientToScreen(window_.lvLibList, &expected);
  MenuWatch watch;
  Press(window_.lvLibList, VK_APPS);
  Press(window_.lvLibList, VK_APPS, WM_KEYUP);
  {
    HeldKey shift(VK_SHIFT);
    Press(window_.lvLibList, VK_F10, WM_SYSKEYDOWN);
  }
  ASSERT_EQ(2u, watch.Shown().size()) << "menu key and Shift+F10, once each";
  for (const ShownMenu& menu : watch.Shown()) {
    EXPECT_EQ(expected.x, menu.frame.left);
    EXPECT_EQ(expected.y, menu.frame.top);
    EXPECT_FALSE(menu.entries[0].grayed);
  }
}

TEST_F(CopyTest, PropertiesInTheMenuIsTheToolButtonsAction) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  const auto names = folder_.ExpectedRows();
  Select(static_cast<int>(std::find(names.begin(), names.end(), "version.dll") - names.begin()));
  {
    MenuWatch watch('p');
    testing_windows::SheetWatcher sheet(L"version.dll");
    SendMessageA(window_.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_.lvLibList), -1);
    sheet.Wait();
    EXPECT_TRUE(sheet.Found());
    EXPECT_EQ(1u, watch.Shown().size());
  }
  OleUninitialize();
}

TEST_F(CopyTest, NoMenuOpensAndNothingIsCopiedDuringAScan) {
  ScanProbe probe;
  MenuWatch watch;
  Select(0);
  probe.AfterListed(2, [&] {
    SendMessageA(window_.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_.lvLibList), -1);
    PostMessageA(window_.Handle(), WM_COMMAND, TSysLibInfoWin::miCopyAll, 0);
  });
  window_.tbRefreshClick();
  EXPECT_TRUE(watch.Shown().empty());
  ExpectClipboard("before");
}

TEST_F(CopyTest, BusyClipboardIsReportedAndLeftAsItWas) {
  std::string shown;
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    std::thread watcher([&] { shown = CloseMessageBox(); });
    window_.miCopyAllClick();
    watcher.join();
  }
  EXPECT_NE(std::string::npos, shown.find("clipboard")) << shown;
  ExpectClipboard("before");
  EXPECT_EQ(5, window_.RowCount());
}

TEST(CopyTexts, TabsLineBreaksAndQuotesStayInTheirCells) {
  LibraryFolder folder;
  ASSERT_TRUE(
      CopyFileA("fixtures\\awkward_texts.dll", (folder.Path() + "\\awkward.dll").c_str(), FALSE));
  ScopedLibraryDirectory scope(folder.Path());
  TSysLibInfoWin window;
  window.Show();
  window.ScanSystemLibraries();
  window.miCopyAllClick();
  ExpectClipboard(std::string(kHeader) +
                  "awkward.dll\t\"Tab\there\"\t\"Line one\r\nline two\"\t\"\"\"Quoted\"\" "
                  "1.0\"\t\"say \"\"hi\"\"\tnow\"\r\n");
}

TEST(CopyTexts, FiftyThousandRowsAreCopiedWellUnderASecond) {
  LibraryFolder folder;
  ScopedLibraryDirectory scope(folder.Path());
  TSysLibInfoWin window;
  constexpr int kRows = 50000;
  SendMessageA(window.lvLibList, WM_SETREDRAW, FALSE, 0);
  for (int row = 0; row < kRows; ++row) {
    std::string name = "library" + std::to_string(row) + ".dll";
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = name.data();
    ListView_InsertItem(window.lvLibList, &item);
    for (int column = 1; column <= 4; ++column) {
      ListView_SetItemText(window.lvLibList, row, column,
                           const_cast<char*>(column < 3 ? "Wine core library" : "10.0.19041.1"));
    }
  }
  const auto start = std::chrono::steady_clock::now();
  window.miCopyAllClick();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  RecordProperty("copy_ms", static_cast<int>(took.count()));
  std::printf("copying %d rows took %d ms\n", kRows, static_cast<int>(took.count()));
  EXPECT_LT(took, 1000ms);
  const std::vector<std::string> lines = Lines(ReadClipboard().ansi);
  ASSERT_EQ(static_cast<std::size_t>(kRows + 1), lines.size());
  EXPECT_EQ("library49999.dll\tWine core library\tWine core library\t10.0.19041.1\t10.0.19041.1",
            lines.back());
}

}  // namespace
}  // namespace libinfo::testing
