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

#include "CodePage.h"
#include "Failure.h"
#include "res/resource.h"
#include "shell/ItemProp.h"
#include "window/Application.h"
#include "window/Clipboard.h"
#include "scan/Paths.h"
#include "window/Dpi.h"
#include "window/LibraryColumns.h"
#include "window/ListCells.h"
#include "window/Monitors.h"
#include "window/RowMenu.h"
#include "window/ScanSession.h"
#include "rows/RowText.h"

namespace libinfo {

namespace {

constexpr char kClassName[] = "LibInfoSysLibWin";
constexpr UINT kStartFirstScan = WM_APP + 1;
constexpr int kDesignedWidth = 550;
constexpr int kDesignedHeight = 375;
// Bit 29 of a key message: Alt was down.
constexpr LPARAM kAltContext = LPARAM{1} << 29;
constexpr char kCaption[] = "System Library Info";

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

// A tool bar whose buttons carry text they do not show asks for the hint
// here first, and shows the button's text where it gets none.
template <typename InfoTip>
void AnswerInfoTip(InfoTip& tip) noexcept {
  const char* hint = HintFor(static_cast<UINT_PTR>(tip.iItem));
  if (!hint || !tip.pszText || tip.cchTextMax <= 0) return;
  if constexpr (sizeof(*tip.pszText) == 1) {
    ::lstrcpynA(tip.pszText, hint, tip.cchTextMax);
  } else {
    ::MultiByteToWideChar(CP_ACP, 0, hint, -1, tip.pszText, tip.cchTextMax);
    tip.pszText[tip.cchTextMax - 1] = L'\0';
  }
}

bool KeyDown(int key) noexcept {
  return ::GetKeyState(key) < 0;
}

}  // namespace

TSysLibInfoWin::TSysLibInfoWin(std::string folder, ScanRunner runner, HWND owner)
    : scan_(std::move(folder)), runner_(std::move(runner)), owner_(owner) {
  CreateHandle({kClassName, ::LoadIconA(ModuleInstance(), MAKEINTRESOURCEA(IDI_LIBRARY)),
                reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)},
               kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT, CW_USEDEFAULT,
               kDesignedWidth, kDesignedHeight, owner);
  // Its DPI is known once it exists: the designed size is then scaled to it.
  dpi_ = DpiOf(Handle());
  if (dpi_ != kDesignDpi) SizeForDpi();
  PlaceOnOwnersMonitor();
  CreateControls();
  FormCreate();
}

TSysLibInfoWin::~TSysLibInfoWin() {
  Destroy();
}

void TSysLibInfoWin::SizeForDpi() {
  ::SetWindowPos(Handle(), nullptr, 0, 0, Scaled(kDesignedWidth, dpi_),
                 Scaled(kDesignedHeight, dpi_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Opened at the system's default place, the window may land on another
// monitor than its owner's, away from where the user works: it moves there,
// at the same offset from the work area's corner, and takes that monitor's
// DPI.
void TSysLibInfoWin::PlaceOnOwnersMonitor() {
  if (!owner_) return;
  const HMONITOR ownersMonitor = MonitorOf(owner_);
  const HMONITOR ownMonitor = MonitorOf(Handle());
  if (!ownersMonitor || ownersMonitor == ownMonitor) return;
  RECT frame{};
  ::GetWindowRect(Handle(), &frame);
  placementArea_ = WorkAreaOf(ownersMonitor);
  placement_ = MovedOnto(frame, WorkAreaOf(ownMonitor), placementArea_);
  const UINT dpiBefore = dpi_;
  placing_ = true;
  ::SetWindowPos(Handle(), nullptr, placement_.left, placement_.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
  if (dpi_ != dpiBefore) return;  // told of the new DPI on the way
  // A system that does not tell a window of its new DPI: asked instead.
  const UINT dpi = DpiOf(Handle());
  if (dpi == dpi_) return;
  dpi_ = dpi;
  SizeForDpi();
  ::GetWindowRect(Handle(), &frame);
  const RECT inside = KeptInside(frame, placementArea_);
  ::SetWindowPos(Handle(), nullptr, inside.left, inside.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
  // Without a folder a bare name would resolve against the host's own
  // working directory.
  if (selected < 0 || scan_.Folder().empty()) return;
  // The caption as it reads now: the user may have edited it, even into a
  // pattern that selects several files.
  const std::string path = AddTrailingSeparator(scan_.Folder()) + CellText(selected, 0);
  (void)ShowItemProperties(path, nullptr);
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
  ScanSession session(scan_, runner_, owner_, rows_, lvLibList);
  session.Run();
}

int TSysLibInfoWin::RowCount() const noexcept {
  return static_cast<int>(::SendMessageA(lvLibList, LVM_GETITEMCOUNT, 0, 0));
}

std::string TSysLibInfoWin::CellText(int row, int column) const {
  return rows_.Text(row, column);
}

int TSysLibInfoWin::SelectedRow() const noexcept {
  return ListView_GetNextItem(lvLibList, -1, LVNI_SELECTED);
}

std::string TSysLibInfoWin::SelectedRowText() const {
  const int selected = SelectedRow();
  return selected < 0 ? std::string() : RowLineText(rows_, selected);
}

std::string TSysLibInfoWin::AllRowsText() const {
  const char* captions[kLibraryColumnCount];
  for (int column = 0; column < kLibraryColumnCount; ++column) {
    captions[column] = kLibraryColumns[column].caption;
  }
  return TableText(rows_, captions);
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
  RunCommand(TrackRowMenu(Handle(), lvLibList, source, at));
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

// The progress dialog takes the activation from this window when it shows
// and gives it back when it goes, and each time the caption would be painted
// at once. During a scan that is time the scan's start and end wait for, so
// the caption is only marked for painting, and painted in the window's turn.
LRESULT TSysLibInfoWin::OnNcActivate(WPARAM active, LPARAM lParam) {
  if (!scanning_) return DefaultHandler(WM_NCACTIVATE, active, lParam);
  constexpr LPARAM kLeaveUnpainted = -1;
  const LRESULT result = DefaultHandler(WM_NCACTIVATE, active, kLeaveUnpainted);
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  return result;
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
    Application().ShowException(CurrentExceptionText().text);
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
      OpenRowMenu(lvLibList, kMenuFromKeyboard);
      return true;
    case VK_F10:
      // F10 comes as a system key even without Alt.
      if ((msg.lParam & kAltContext) || !KeyDown(VK_SHIFT)) return false;
      OpenRowMenu(lvLibList, kMenuFromKeyboard);
      return true;
    default:
      return false;
  }
}

const char* ToolButtonName(int command) noexcept {
  switch (command) {
    case TSysLibInfoWin::tbRefresh:
      return "Refresh";
    case TSysLibInfoWin::ToolButton1:
      return "Properties";
    default:
      return "";
  }
}

LRESULT TSysLibInfoWin::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case TBN_GETINFOTIPA:
      AnswerInfoTip(const_cast<NMTBGETINFOTIPA&>(reinterpret_cast<const NMTBGETINFOTIPA&>(header)));
      return 0;
    case TBN_GETINFOTIPW:
      AnswerInfoTip(const_cast<NMTBGETINFOTIPW&>(reinterpret_cast<const NMTBGETINFOTIPW&>(header)));
      return 0;
    default:
      if (header.hwndFrom == lvLibList) return OnListNotify(header);
      return DefaultHandler(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }
}

LRESULT TSysLibInfoWin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) return 0;
      ::SetFocus(lvLibList);
      FormActivate();
      return 0;
    case kStartFirstScan:
      ScanSystemLibraries();
      return 0;
    case WM_NCACTIVATE:
      return OnNcActivate(wParam, lParam);
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

LRESULT TSysLibInfoWin::OnListNotify(const NMHDR& header) {
  LRESULT result = 0;
  if (AnswerListNotification(rows_, header, result)) return result;
  return DefaultHandler(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void RunLibraryWindow(const std::string& folder) {
  TSysLibInfoWin window(folder, {}, Application().Handle());
  Application().RunModal(window);
}

}  // namespace libinfo
