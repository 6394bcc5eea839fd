#include "window/PrgsDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "Failure.h"
#include "res/resource.h"
#include "window/CommonControls.h"

namespace libinfo {

TProgressDlg* ProgressDlg = nullptr;

namespace {

constexpr char kClassName[] = "LibInfoProgressDlg";
constexpr int kClientWidth = 225;
constexpr int kClientHeight = 103;
constexpr UINT kReclaimFocus = WM_APP + 1;
// Clip 150 of the system shell library: the search animation.
constexpr WORD kFindFolderClip = 150;

RECT Bounds(int left, int top, int width, int height) {
  return RECT{left, top, left + width, top + height};
}

// The outer rectangle whose client area is the designed size, centred on
// the screen's work area (the library has no main form to centre on).
RECT CentredFrame(DWORD style, DWORD exStyle) {
  RECT frame = Bounds(0, 0, kClientWidth, kClientHeight);
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;
  return Bounds(left, top, width, height);
}

bool BelongsToThisThread(HWND hwnd) {
  return hwnd && ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId();
}

}  // namespace

TProgressDlg::TProgressDlg(HWND owner, const char* clipLibrary) : font_(FormFont()) {
  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  constexpr DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  const RECT frame = CentredFrame(style, exStyle);
  CreateHandle({kClassName, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, "Scanning...",
               style, exStyle, frame.left, frame.top, frame.right - frame.left,
               frame.bottom - frame.top, owner);
  CreateControls(clipLibrary);
}

TProgressDlg::~TProgressDlg() {
  Destroy();
}

HWND TProgressDlg::AddControl(const char* cls, const char* text, DWORD style, RECT bounds, int id) {
  HWND control = ::CreateWindowExA(
      0, cls, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
      bounds.right - bounds.left, bounds.bottom - bounds.top, Handle(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
  if (!control) ThrowLastError(cls);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return control;
}

void TProgressDlg::CreateControls(const char* clipLibrary) {
  UseCommonControls();
  // The frames come on this thread's timer, not on a thread of the
  // control's own: this thread only waits while a scan runs, and starting
  // and ending a thread for every scan cost more than all its frames.
  Animate1 = AddControl(ANIMATE_CLASSA, nullptr, ACS_TRANSPARENT | ACS_CENTER | ACS_TIMER,
                        Bounds(0, 8, 80, 50));
  bbStop =
      AddControl("BUTTON", "Stop", BS_PUSHBUTTON | WS_TABSTOP, Bounds(80, 72, 75, 25), IDCANCEL);
  lbCnt = AddControl("STATIC", "%d", SS_LEFT | SS_NOPREFIX, Bounds(144, 32, 14, 13));
  Label1 = AddControl("STATIC", "Processed:", SS_LEFTNOWORDWRAP, Bounds(80, 32, 53, 13));
  WidenToText(Label1);
  countLabelChars_ = 2;
  FitCountLabel();
  // Playing starts with the dialog. Newer systems keep the shell's clip
  // elsewhere or in a form the control cannot play; the plug-in's own clip,
  // of the same size and also looping, stands in for it there.
  clipLibrary_.reset(::LoadLibraryA(clipLibrary));
  if (OpenClip(clipLibrary_.get(), kFindFolderClip)) {
    PlayLooping();
    return;
  }
  clipLibrary_.reset();
  if (OpenClip(ModuleInstance(), IDA_SEARCH)) PlayLooping();
}

bool TProgressDlg::OpenClip(HMODULE module, WORD clip) noexcept {
  return module && ::SendMessageA(Animate1, ACM_OPENA, reinterpret_cast<WPARAM>(module),
                                  static_cast<LPARAM>(clip)) != 0;
}

void TProgressDlg::PlayLooping() noexcept {
  const auto play = [this](WORD from, WORD to) {
    return ::SendMessageA(Animate1, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(from, to)) != 0;
  };
  // Frames 1 to 29 of the system's clip; a shorter clip, as some systems
  // ship, loops whole instead of not playing at all.
  constexpr WORD kLastFrame = 0xFFFF;
  if (!play(1, 29)) play(0, kLastFrame);
}

void TProgressDlg::ShowCount(int count) {
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%d files", count);
  ::SetWindowTextA(lbCnt, text);
  // The width only changes with the number of digits.
  if (length != countLabelChars_) {
    countLabelChars_ = length;
    FitCountLabel();
  }
}

int TProgressDlg::TextWidth(HWND control) const {
  char text[64] = {};
  const int length = ::GetWindowTextA(control, text, sizeof text);
  HDC dc = ::GetDC(control);
  if (!dc) return 0;
  HGDIOBJ old = ::SelectObject(dc, font_.get());
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, text, length, &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return extent.cx;
}

void TProgressDlg::FitCountLabel() {
  ::SetWindowPos(lbCnt, nullptr, 0, 0, TextWidth(lbCnt), 13,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TProgressDlg::WidenToText(HWND label) {
  RECT bounds{};
  ::GetClientRect(label, &bounds);
  const int width = TextWidth(label);
  // A font that renders wider than designed must not cut the caption off.
  if (width > bounds.right) {
    ::SetWindowPos(label, nullptr, 0, 0, width, bounds.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TProgressDlg::bbStopClick(HWND /*sender*/) {
  Stopped = true;
  // Not modal, so closing only hides it: the scan destroys it when it ends.
  Hide();
}

void TProgressDlg::FormDeactivate(HWND /*sender*/) {
  if (Stopped) return;
  // Asking for activation inside the deactivation itself would fight the
  // switch in progress; ask once it is over.
  ::PostMessageA(Handle(), kReclaimFocus, 0, 0);
}

bool TProgressDlg::PreTranslateMessage(MSG& msg) noexcept {
  return ::IsDialogMessageA(Handle(), &msg) != FALSE;
}

LRESULT TProgressDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) bbStopClick(bbStop);
      return 0;
    case WM_CLOSE:  // the caption's close button acts like Stop
      bbStopClick(Handle());
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (BelongsToThisThread(reinterpret_cast<HWND>(lParam))) FormDeactivate(Handle());
      } else {
        ::SetFocus(bbStop);
      }
      return 0;
    case kReclaimFocus:
      if (!Stopped && ::IsWindowVisible(Handle())) {
        ::SetActiveWindow(Handle());
        ::SetFocus(bbStop);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    default:
      return DefaultHandler(message, wParam, lParam);
  }
}

}  // namespace libinfo
