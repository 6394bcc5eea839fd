#include "window/SysLibMain.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "Failure.h"
#include "res/resource.h"
#include "shell/ItemProp.h"
#include "version/VerInfo.h"
#include "window/Application.h"
#include "window/Paths.h"
#include "window/PrgsDlg.h"
#include "window/RowText.h"

namespace libinfo {

namespace {

constexpr char kClassName[] = "LibInfoSysLibWin";
constexpr UINT kStartFirstScan = WM_APP + 1;
constexpr int kPanelHeight = 26;
constexpr int kPanel2Width = 22;
constexpr int kListId = 1;
constexpr int kStatusId = 2;
constexpr std::chrono::milliseconds kDefaultPumpInterval{50};
// The position WM_CONTEXTMENU carries when the keyboard asked for the menu:
// both coordinates -1, whether or not the upper half of the word is set.
constexpr LPARAM kFromKeyboard = -1;
// Bit 29 of a key message: Alt was down.
constexpr LPARAM kAltContext = LPARAM{1} << 29;
constexpr char kCaption[] = "System Library Info";

struct Column {
  const char* caption;
  int width;
};
constexpr Column kColumns[] = {{"Library filename", 150},
                               {"Library description ", 170},
                               {"Library product name", 150},
                               {"File version", 90},
                               {"Product version", 90}};

constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

const char* HintFor(UINT_PTR command) {
  switch (command) {
    case TSysLibInfoWin::tbRefresh:
      return "Refresh list";
    case TSysLibInfoWin::ToolButton1:
      return "Show properties for selected library";
    default:
      return nullptr;
  }
}

HICON LoadLibraryIcon(int size) {
  return static_cast<HICON>(
      ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_LIBRARY), IMAGE_ICON, size, size, 0));
}

// Directory entries the scan never probes: the two navigation entries and
// plain sub-directories (a directory with further attribute bits is probed
// and simply yields no version data).
bool IsSkipped(const WIN32_FIND_DATAA& entry) {
  const std::string_view name = entry.cFileName;
  return name == "." || name == ".." || entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
}

// Rows appear all at once when the scan ends, however it ends.
class RedrawSuspension {
 public:
  explicit RedrawSuspension(HWND list) noexcept : list_(list) {
    ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  }
  RedrawSuspension(const RedrawSuspension&) = delete;
  RedrawSuspension& operator=(const RedrawSuspension&) = delete;
  ~RedrawSuspension() {
    ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
  }

 private:
  HWND list_;
};

// The progress dialog of one scan: shown at its start, and at its end marked
// stopped (so its deactivation does not pull the focus back) and destroyed.
class ProgressRun {
 public:
  ProgressRun() : dialog_() {
    ProgressDlg = &dialog_;
    dialog_.Show();
    dialog_.Stopped = false;
  }
  ProgressRun(const ProgressRun&) = delete;
  ProgressRun& operator=(const ProgressRun&) = delete;
  ~ProgressRun() {
    dialog_.Stopped = true;
    dialog_.Destroy();
    ProgressDlg = nullptr;
  }
  TProgressDlg& Dialog() noexcept { return dialog_; }

 private:
  TProgressDlg dialog_;
};

std::chrono::milliseconds& PumpInterval() {
  static std::chrono::milliseconds interval = kDefaultPumpInterval;
  return interval;
}

// Handles the messages waiting for the scan's thread once an interval has
// passed. Even an empty pass costs a round trip to the window system, which
// after every file of a fast folder would cost more than showing the rows;
// once per interval keeps Stop and repainting prompt for a fraction of that.
class PumpSchedule {
 public:
  PumpSchedule() : interval_(PumpInterval()), last_(Clock::now()) {}
  void RunIfDue() {
    if (Clock::now() - last_ < interval_) return;
    Application().ProcessMessages();
    last_ = Clock::now();
  }

 private:
  using Clock = std::chrono::steady_clock;
  std::chrono::milliseconds interval_;
  Clock::time_point last_;
};

bool FromKeyboard(LPARAM at) noexcept {
  return GET_X_LPARAM(at) == -1 && GET_Y_LPARAM(at) == -1;
}

bool KeyDown(int key) noexcept {
  return ::GetKeyState(key) < 0;
}

// Reads cells of one list through one buffer that grows to the longest text,
// so reading every row costs one message per cell and no allocation.
class CellReader {
 public:
  explicit CellReader(HWND list) : list_(list), buffer_(256) {}

  // Valid until the next read.
  [[nodiscard]] std::string_view Read(int row, int column) {
    for (;;) {
      LVITEMA cell{};
      cell.iSubItem = column;
      cell.pszText = buffer_.data();
      cell.cchTextMax = static_cast<int>(buffer_.size());
      const auto length = static_cast<std::size_t>(
          ::SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell)));
      // A text that fills the buffer may have been cut short: read it again
      // with more room, up to the longest text a version resource can hold.
      if (length + 1 < buffer_.size() || buffer_.size() >= kLongest) {
        return {cell.pszText, std::min(length, buffer_.size() - 1)};
      }
      buffer_.resize(buffer_.size() * 2);
    }
  }

 private:
  static constexpr std::size_t kLongest = std::size_t{1} << 17;
  HWND list_;
  std::vector<char> buffer_;
};

void AppendRowCells(RowTextBuilder& text, CellReader& reader, int row) {
  for (int column = 0; column < kColumnCount; ++column) text.Cell(reader.Read(row, column));
  text.EndLine();
}

UniqueMenu CreateRowMenu(bool rowSelected) {
  UniqueMenu menu(::CreatePopupMenu());
  if (!menu) ThrowLastError("CreatePopupMenu");
  const UINT rowItem = MF_STRING | (rowSelected ? MF_ENABLED : MF_GRAYED);
  const bool built =
      ::AppendMenuA(menu.get(), rowItem, TSysLibInfoWin::miProperties, "&Properties\tAlt+Enter") &&
      ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr) &&
      ::AppendMenuA(menu.get(), rowItem, TSysLibInfoWin::miCopy, "&Copy\tCtrl+C") &&
      ::AppendMenuA(menu.get(), MF_STRING, TSysLibInfoWin::miCopyAll, "Copy &all rows") &&
      ::SetMenuDefaultItem(menu.get(), TSysLibInfoWin::miProperties, FALSE);
  if (!built) ThrowLastError("AppendMenu");
  return menu;
}

std::wstring WideText(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  if (length <= 0) ThrowLastError("MultiByteToWideChar");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
  return wide;
}

// A movable block holding the text and its terminator, as the clipboard takes it.
template <typename Char>
UniqueGlobal GlobalCopy(std::basic_string_view<Char> text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(Char);
  UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!block) throw Failure("There is not enough memory to copy the rows.");
  auto* data = static_cast<Char*>(::GlobalLock(block.get()));
  if (!data) ThrowLastError("GlobalLock");
  std::memcpy(data, text.data(), text.size() * sizeof(Char));
  data[text.size()] = Char{};
  ::GlobalUnlock(block.get());
  return block;
}

// Holds the clipboard open for its lifetime, if it could be opened at all.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) noexcept {
    // A program that watches the clipboard opens it for a moment after every
    // change; a few short tries spare the user a message for that.
    for (int attempt = 0; attempt < kAttempts && !open_; ++attempt) {
      if (attempt > 0) ::Sleep(kPauseMs);
      open_ = ::OpenClipboard(owner) != FALSE;
    }
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  ~ClipboardSession() {
    if (open_) ::CloseClipboard();
  }
  [[nodiscard]] bool IsOpen() const noexcept { return open_; }

 private:
  static constexpr int kAttempts = 5;
  static constexpr DWORD kPauseMs = 20;
  bool open_ = false;
};

void PutOnClipboard(UINT format, UniqueGlobal block) {
  if (!::SetClipboardData(format, block.get())) ThrowLastError("SetClipboardData");
  (void)block.release();  // the clipboard owns it now
}

// False, with the clipboard untouched, when another program holds it. Both
// blocks are ready before the clipboard is emptied, so running out of memory
// cannot leave it empty either.
[[nodiscard]] bool PutTextOnClipboard(HWND owner, const std::string& ansi) {
  UniqueGlobal unicode = GlobalCopy<wchar_t>(WideText(ansi));
  UniqueGlobal narrow = GlobalCopy<char>(ansi);
  const ClipboardSession clipboard(owner);
  if (!clipboard.IsOpen()) return false;
  if (!::EmptyClipboard()) ThrowLastError("EmptyClipboard");
  PutOnClipboard(CF_UNICODETEXT, std::move(unicode));
  PutOnClipboard(CF_TEXT, std::move(narrow));
  return true;
}

}  // namespace

ScopedScanPumpInterval::ScopedScanPumpInterval(std::chrono::milliseconds interval)
    : previous_(std::exchange(PumpInterval(), interval)) {}

ScopedScanPumpInterval::~ScopedScanPumpInterval() {
  PumpInterval() = previous_;
}

TSysLibInfoWin::TSysLibInfoWin() : font_(FormFont()) {
  CreateHandle({kClassName, ::LoadIconA(ModuleInstance(), MAKEINTRESOURCEA(IDI_LIBRARY)),
                reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)},
               kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT, CW_USEDEFAULT,
               550, 375);
  CreateControls();
  FormCreate();
}

TSysLibInfoWin::~TSysLibInfoWin() {
  Destroy();
}

void TSysLibInfoWin::FormCreate() {
  ScanStarted = false;
}

void TSysLibInfoWin::FormActivate() {
  if (ScanStarted) return;
  ScanStarted = true;
  // Scanning inside the activation would run the whole scan before the
  // window has finished becoming active; start it right after instead.
  ::PostMessageA(Handle(), kStartFirstScan, 0, 0);
}

void TSysLibInfoWin::tbRefreshClick() {
  if (scanning_) return;  // a press during a scan starts nothing
  ScanSystemLibraries();
}

void TSysLibInfoWin::ToolButton1Click() {
  const int selected = SelectedRow();
  if (selected < 0) return;
  // The caption as it reads now: the user may have edited it, even into a
  // pattern that selects several files.
  const std::string path = AddTrailingSeparator(LibraryDirectory()) + CellText(selected, 0);
  (void)ShowItemProperties(path, nullptr);
}

HWND TSysLibInfoWin::AddChild(HWND parent, const char* cls, const char* text, DWORD style, int id) {
  HWND child = ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ModuleInstance(), nullptr);
  if (!child) ThrowLastError(cls);
  ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return child;
}

void TSysLibInfoWin::CreateControls() {
  smallIcon_.reset(LoadLibraryIcon(16));
  ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  CreatePanels();
  CreateToolBar();
  CreateList();
  StatusBar1 = AddChild(Handle(), STATUSCLASSNAMEA, nullptr, SBARS_SIZEGRIP, kStatusId);
  int rightEdges[] = {150, 200};
  ::SendMessageA(StatusBar1, SB_SETPARTS, std::size(rightEdges),
                 reinterpret_cast<LPARAM>(rightEdges));
  LayOut();
}

void TSysLibInfoWin::CreatePanels() {
  Panel1 = CreatePanel(Handle(), 0);
  Panel2 = CreatePanel(Panel1, BDR_SUNKENINNER);
  Image1 = AddChild(Panel2, "STATIC", nullptr, SS_ICON | SS_REALSIZECONTROL);
  image1Icon_.reset(static_cast<HICON>(
      ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_SEARCH), IMAGE_ICON, 16, 16, 0)));
  ::SendMessageA(Image1, STM_SETICON, reinterpret_cast<WPARAM>(image1Icon_.get()), 0);
  ::SetWindowPos(Image1, nullptr, 3, 5, 16, 16, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSysLibInfoWin::CreateToolBar() {
  ToolBar = AddChild(Panel1, TOOLBARCLASSNAMEA, nullptr,
                     TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                         CCS_NORESIZE | CCS_NOPARENTALIGN);
  // Clicks and hints go to this window, not to the panel holding the bar.
  ::SendMessageA(ToolBar, TB_SETPARENT, reinterpret_cast<WPARAM>(Handle()), 0);
  ::SendMessageA(ToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  BtnImageList.reset(::ImageList_LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDB_BUTTONS), 20, 0,
                                            RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
  ::SendMessageA(ToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(BtnImageList.get()));
  ::SendMessageA(ToolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(20, 20));
  TBBUTTON buttons[] = {
      {8, ToolButton3, 0, BTNS_SEP, {}, 0, 0},
      {0, tbRefresh, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {8, ToolButton2, 0, BTNS_SEP, {}, 0, 0},
      {1, ToolButton1, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {8, ToolButton5, 0, BTNS_SEP, {}, 0, 0},
  };
  ::SendMessageA(ToolBar, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  ::SendMessageA(ToolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(27, 26));
}

void TSysLibInfoWin::CreateList() {
  lvLibList = AddChild(Handle(), WC_LISTVIEWA, nullptr,
                       LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS |
                           LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS | WS_TABSTOP,
                       kListId);
  ::SetWindowLongPtrA(lvLibList, GWL_EXSTYLE,
                      ::GetWindowLongPtrA(lvLibList, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(lvLibList, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  ImageList.reset(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1));
  HICON icon = LoadLibraryIcon(16);
  ::ImageList_AddIcon(ImageList.get(), icon);
  ::DestroyIcon(icon);
  ListView_SetImageList(lvLibList, ImageList.get(), LVSIL_SMALL);
  for (int index = 0; index < static_cast<int>(std::size(kColumns)); ++index) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kColumns[index].caption);
    column.cx = kColumns[index].width;
    column.iSubItem = index;
    ::SendMessageA(lvLibList, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
  }
}

void TSysLibInfoWin::LayOut() {
  if (!lvLibList || !StatusBar1) return;
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::SendMessageA(StatusBar1, WM_SIZE, 0, 0);
  RECT status{};
  ::GetWindowRect(StatusBar1, &status);
  const int statusHeight = status.bottom - status.top;
  const int width = client.right;
  ::MoveWindow(Panel1, 0, 0, width, kPanelHeight, TRUE);
  ::MoveWindow(Panel2, width - kPanel2Width, 0, kPanel2Width, kPanelHeight, TRUE);
  ::MoveWindow(ToolBar, 0, 0, width - kPanel2Width, kPanelHeight, TRUE);
  ::MoveWindow(lvLibList, 0, kPanelHeight, width, client.bottom - kPanelHeight - statusHeight,
               TRUE);
}

void TSysLibInfoWin::ScanSystemLibraries() {
  if (scanning_) return;
  struct ScanFlag {
    TSysLibInfoWin& window;
    explicit ScanFlag(TSysLibInfoWin& w) : window(w) { window.scanning_ = true; }
    ~ScanFlag() {
      window.scanning_ = false;
      // A close asked for during the scan is carried out now.
      if (window.closePending_) ::PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
    }
  } flag(*this);
  RedrawSuspension redraw(lvLibList);
  ListView_DeleteAllItems(lvLibList);
  ProgressRun progress;
  const std::string folder = LibraryDirectory();
  WIN32_FIND_DATAA entry{};
  UniqueFind search(::FindFirstFileA((folder + "\\*.*").c_str(), &entry));
  if (!search) return;
  int listed = 0;
  PumpSchedule pump;
  do {
    if (progress.Dialog().Stopped) break;
    if (!IsSkipped(entry)) ListFile(folder, entry.cFileName, listed);
    // Where Stop, repainting and other input get handled.
    pump.RunIfDue();
  } while (::FindNextFileA(search.get(), &entry));
}

void TSysLibInfoWin::ListFile(const std::string& folder, const char* name, int& listed) {
  try {
    const TVersionInfo info(AddTrailingSeparator(folder) + name);
    if (!info.Valid()) return;
    const std::string values[4] = {info.FileDescription(), info.ProductName(), info.FileVersion(),
                                   info.ProductVersion()};
    AppendRow(name, values);
    ++listed;
    ProgressDlg->ShowCount(listed);
  } catch (...) {
    // One unreadable entry never ends the scan, and is not worth a message.
  }
}

void TSysLibInfoWin::AppendRow(const char* name, const std::string (&values)[4]) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = RowCount();
  item.pszText = const_cast<char*>(name);
  item.iImage = 0;
  const int row = static_cast<int>(
      ::SendMessageA(lvLibList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) throw Failure("Adding a row to the list failed");
  for (int column = 1; column <= 4; ++column) {
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(values[column - 1].c_str());
    ::SendMessageA(lvLibList, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  }
}

int TSysLibInfoWin::RowCount() const noexcept {
  return static_cast<int>(::SendMessageA(lvLibList, LVM_GETITEMCOUNT, 0, 0));
}

std::string TSysLibInfoWin::CellText(int row, int column) const {
  CellReader reader(lvLibList);
  return std::string(reader.Read(row, column));
}

int TSysLibInfoWin::SelectedRow() const noexcept {
  return ListView_GetNextItem(lvLibList, -1, LVNI_SELECTED);
}

std::string TSysLibInfoWin::SelectedRowText() const {
  const int selected = SelectedRow();
  if (selected < 0) return {};
  RowTextBuilder text;
  CellReader reader(lvLibList);
  AppendRowCells(text, reader, selected);
  return text.Take();
}

std::string TSysLibInfoWin::AllRowsText() const {
  constexpr std::size_t kTypicalLineBytes = 96;
  const int rows = RowCount();
  RowTextBuilder text;
  text.Reserve((static_cast<std::size_t>(rows) + 1) * kTypicalLineBytes);
  for (const Column& column : kColumns) text.Cell(TrimTrailingSpaces(column.caption));
  text.EndLine();
  CellReader reader(lvLibList);
  for (int row = 0; row < rows; ++row) AppendRowCells(text, reader, row);
  return text.Take();
}

void TSysLibInfoWin::miCopyClick() {
  if (scanning_ || SelectedRow() < 0) return;
  CopyToClipboard(SelectedRowText());
}

void TSysLibInfoWin::miCopyAllClick() {
  if (scanning_) return;  // the list is being refilled and is not complete yet
  CopyToClipboard(AllRowsText());
}

void TSysLibInfoWin::CopyToClipboard(const std::string& text) {
  if (PutTextOnClipboard(Handle(), text)) return;
  ::MessageBoxA(Handle(),
                "Another program is using the clipboard, so nothing was copied.\n"
                "Try again when it has finished.",
                kCaption, MB_OK | MB_ICONWARNING);
}

void TSysLibInfoWin::OpenRowMenu(HWND source, LPARAM at) {
  if (scanning_) return;  // the list is being refilled
  POINT point{};
  if (FromKeyboard(at)) {
    point = SelectedRowMenuPoint();
  } else {
    point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    // A click on the column headers leaves the selection as it is.
    if (source == lvLibList) SelectRowAt(point);
  }
  ShowRowMenu(point);
}

// The menu acts on the selected row, so a right-click selects the row under
// it, or none when it hits no row.
void TSysLibInfoWin::SelectRowAt(POINT screenPoint) noexcept {
  LVHITTESTINFO hit{};
  hit.pt = screenPoint;
  ::ScreenToClient(lvLibList, &hit.pt);
  const int row = ListView_SubItemHitTest(lvLibList, &hit);
  if (row < 0) {
    ListView_SetItemState(lvLibList, -1, 0, LVIS_SELECTED);
    return;
  }
  ListView_SetItemState(lvLibList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Just below the selected row's caption, or below the column headers when no
// row is selected.
POINT TSysLibInfoWin::SelectedRowMenuPoint() noexcept {
  POINT at{};
  RECT header{};
  if (::GetWindowRect(ListView_GetHeader(lvLibList), &header)) at.y = header.bottom - header.top;
  const int selected = SelectedRow();
  RECT caption{};
  if (selected >= 0 && ListView_EnsureVisible(lvLibList, selected, FALSE) &&
      ListView_GetItemRect(lvLibList, selected, &caption, LVIR_LABEL)) {
    at = {caption.left, caption.bottom};
  }
  ::ClientToScreen(lvLibList, &at);
  return at;
}

void TSysLibInfoWin::ShowRowMenu(POINT screenPoint) {
  const UniqueMenu menu = CreateRowMenu(SelectedRow() >= 0);
  const int command =
      static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x,
                                        screenPoint.y, 0, Handle(), nullptr));
  RunCommand(command);
}

void TSysLibInfoWin::RunCommand(int command) {
  switch (command) {
    case tbRefresh:
      tbRefreshClick();
      break;
    case ToolButton1:
    case miProperties:
      ToolButton1Click();
      break;
    case miCopy:
      miCopyClick();
      break;
    case miCopyAll:
      miCopyAllClick();
      break;
    default:
      break;  // a dismissed menu, or a command that is not ours
  }
}

void TSysLibInfoWin::StartLabelEdit() {
  const int selected = ListView_GetNextItem(lvLibList, -1, LVNI_SELECTED);
  if (selected >= 0) ::SendMessageA(lvLibList, LVM_EDITLABELA, selected, 0);
}

void TSysLibInfoWin::OnClose() {
  if (scanning_) {
    closePending_ = true;
    return;
  }
  closePending_ = false;
  EndModal();
}

bool TSysLibInfoWin::PreTranslateMessage(MSG& msg) noexcept {
  // The editor keeps its own keys, Ctrl+C and the menu key among them.
  if (ListView_GetEditControl(lvLibList) != nullptr) return false;
  try {
    return HandleKey(msg);
  } catch (...) {
    Application().ShowException(CurrentExceptionText());
    return true;
  }
}

bool TSysLibInfoWin::HandleKey(const MSG& msg) {
  // The menu key opens the menu when pressed; its release must not open it
  // a second time through the default handling.
  if (msg.message == WM_KEYUP) return msg.wParam == VK_APPS;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  const bool alt = msg.message == WM_SYSKEYDOWN;
  switch (msg.wParam) {
    case VK_F5:
      if (alt) return false;
      tbRefreshClick();
      return true;
    case VK_F2:
      if (alt) return false;
      StartLabelEdit();
      return true;
    case VK_RETURN:
      if (!alt) return false;
      ToolButton1Click();
      return true;
    case VK_ESCAPE:
      ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
      return true;
    case 'C':
      // Ctrl+Alt is AltGr on many keyboards: a character, not a command.
      if (alt || !KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return false;
      miCopyClick();
      return true;
    case VK_APPS:
      OpenRowMenu(lvLibList, kFromKeyboard);
      return true;
    case VK_F10:
      // F10 comes as a system key even without Alt.
      if ((msg.lParam & kAltContext) || !KeyDown(VK_SHIFT)) return false;
      OpenRowMenu(lvLibList, kFromKeyboard);
      return true;
    default:
      return false;
  }
}

LRESULT TSysLibInfoWin::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case TTN_GETDISPINFOA: {
      auto& info = const_cast<NMTTDISPINFOA&>(reinterpret_cast<const NMTTDISPINFOA&>(header));
      if (const char* hint = HintFor(header.idFrom)) info.lpszText = const_cast<char*>(hint);
      return 0;
    }
    case TTN_GETDISPINFOW: {
      auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
      if (const char* hint = HintFor(header.idFrom)) {
        ::MultiByteToWideChar(CP_ACP, 0, hint, -1, info.szText, std::size(info.szText));
      }
      return 0;
    }
    case LVN_ENDLABELEDITA:
      return reinterpret_cast<const NMLVDISPINFOA&>(header).item.pszText != nullptr;
    case LVN_ENDLABELEDITW:
      return reinterpret_cast<const NMLVDISPINFOW&>(header).item.pszText != nullptr;
    default:
      return DefaultHandler(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }
}

LRESULT TSysLibInfoWin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) return 0;
      ::SetFocus(lvLibList);
      FormActivate();
      return 0;
    case kStartFirstScan:
      ScanSystemLibraries();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_COMMAND:
      RunCommand(LOWORD(wParam));
      return 0;
    case WM_CONTEXTMENU: {
      const auto source = reinterpret_cast<HWND>(wParam);
      // The list and its column headers; other parts of the window have no menu.
      if (source != lvLibList && ::GetParent(source) != lvLibList) {
        return DefaultHandler(message, wParam, lParam);
      }
      OpenRowMenu(source, lParam);
      return 0;
    }
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    default:
      return DefaultHandler(message, wParam, lParam);
  }
}

void RunLibraryWindow() {
  TSysLibInfoWin window;
  Application().RunModal(window);
}

}  // namespace libinfo
