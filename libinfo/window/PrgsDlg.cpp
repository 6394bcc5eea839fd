#include "window/PrgsDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "Failure.h"
#include "res/resource.h"
#include "scan/Paths.h"
#include "window/CommonControls.h"
#include "window/Dpi.h"
#include "window/Monitors.h"

namespace libinfo {

TProgressDlg* ProgressDlg = nullptr;

namespace {

constexpr char kClassName[] = "LibInfoProgressDlg";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr UINT kReclaimFocus = WM_APP + 1;
// Clip 150 of the system shell library: the search animation.
constexpr WORD kFindFolderClip = 150;

// Places at 96 DPI, in the client area.
struct Place {
  int left, top, width, height;
};
constexpr Place kClient{0, 0, 225, 103};
constexpr Place kAnimatePlace{0, 8, 80, 50};
constexpr Place kStopPlace{80, 72, 75, 25};
constexpr Place kCountPlace{144, 32, 14, 13};
constexpr Place kLabelPlace{80, 32, 53, 13};

// The outer rectangle whose client area is the designed size at `dpi`,
// centred on the work area of the monitor nearest `centredOn`.
RECT CentredFrame(UINT dpi, HWND centredOn) {
  const SIZE frame =
      FrameSize(Scaled(kClient.width, dpi), Scaled(kClient.height, dpi), kStyle, kExStyle, dpi);
  return CentredIn(frame, WorkAreaOf(MonitorOf(centredOn)));
}

void Move(HWND window, const RECT& to) noexcept {
  ::SetWindowPos(window, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ScaledPlace(const Place& place, UINT dpi) noexcept {
  const int left = Scaled(place.left, dpi);
  const int top = Scaled(place.top, dpi);
  return RECT{left, top, left + Scaled(place.width, dpi), top + Scaled(place.height, dpi)};
}

WORD OwnClipFor(UINT dpi) noexcept {
  switch (PictureScale(dpi)) {
    case 125:
      return IDA_SEARCH_125;
    case 150:
      return IDA_SEARCH_150;
    case 200:
      return IDA_SEARCH_200;
    default:
      return IDA_SEARCH;
  }
}

bool IsFullPath(const std::string& path) noexcept {
  const bool drive = path.size() > 2 && path[1] == ':' && path[2] == '\\';
  return drive || path.rfind("\\\\", 0) == 0;
}

std::string ClipLibraryPath(const char* clipLibrary) {
  if (clipLibrary) return clipLibrary;
  const std::string system = SystemDirectory();
  return system.empty() ? system : system + "\\shell32.dll";
}

// Only the clip's resources are wanted: the library is mapped as data, so
// none of its code runs in the host, and only by its full path, so no
// folder of the search path can stand in for it.
HMODULE LoadClipLibrary(const char* clipLibrary) noexcept {
  try {
    const std::string path = ClipLibraryPath(clipLibrary);
    if (!IsFullPath(path)) return nullptr;
    return ::LoadLibraryExA(path.c_str(), nullptr,
                            LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
  } catch (...) {
    return nullptr;  // the plug-in's own clip stands in
  }
}

bool BelongsToThisThread(HWND hwnd) {
  return hwnd && ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId();
}

}  // namespace

TProgressDlg::TProgressDlg(HWND owner, const char* clipLibrary, HWND centreOn) {
  // The owner is the host's window, which may be on another monitor than
  // the window the user works in.
  const HWND centre = centreOn ? centreOn : owner;
  const RECT frame = CentredFrame(kDesignDpi, centre);
  CreateHandle({kClassName, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, "Scanning...",
               kStyle, kExStyle, frame.left, frame.top, frame.right - frame.left,
               frame.bottom - frame.top, owner);
  // Its DPI is known once it exists: the designed size is then scaled to it.
  dpi_ = DpiOf(Handle());
  if (dpi_ != kDesignDpi) Move(Handle(), CentredFrame(dpi_, centre));
  CreateControls(clipLibrary);
}

TProgressDlg::~TProgressDlg() {
  Destroy();
}

// Font and places at the dialog's DPI; the labels then fit their texts.
void TProgressDlg::ApplyDpi() {
  UniqueFont font(FormFont(dpi_));
  for (HWND control : {Animate1, bbStop, lbCnt, Label1}) {
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  }
  font_ = std::move(font);
  Move(Animate1, ScaledPlace(kAnimatePlace, dpi_));
  Move(bbStop, ScaledPlace(kStopPlace, dpi_));
  Move(lbCnt, ScaledPlace(kCountPlace, dpi_));
  Move(Label1, ScaledPlace(kLabelPlace, dpi_));
  FitToText(Label1);
  FitCountLabel();
}

void TProgressDlg::CreateControls(const char* clipLibrary) {
  UseCommonControls();
  // The frames come on this thread's timer, not on a thread of the
  // control's own, which would be started and ended for every scan.
  Animate1 =
      CreateChild(Handle(), ANIMATE_CLASSA, nullptr, ACS_TRANSPARENT | ACS_CENTER | ACS_TIMER);
  bbStop = CreateChild(Handle(), "BUTTON", "Stop", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  lbCnt = CreateChild(Handle(), "STATIC", "%d", SS_LEFT | SS_NOPREFIX);
  Label1 = CreateChild(Handle(), "STATIC", "Processed:", SS_LEFTNOWORDWRAP);
  countLabelChars_ = 2;
  ApplyDpi();
  // Playing starts with the dialog. Newer systems keep the shell's clip
  // elsewhere or in a form the control cannot play; the plug-in's own clip,
  // of the same size and also looping, stands in for it there.
  clipLibrary_.reset(LoadClipLibrary(clipLibrary));
  if (OpenClip(clipLibrary_.get(), kFindFolderClip)) {
    PlayLooping();
    return;
  }
  clipLibrary_.reset();
  PlayOwnClip();
}

// Drawn for the dialog's scale; the system's clip has one size, and the
// control shows it centred.
void TProgressDlg::PlayOwnClip() noexcept {
  if (OpenClip(ModuleInstance(), OwnClipFor(dpi_))) PlayLooping();
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

SIZE TProgressDlg::TextExtent(HWND control) const {
  char text[64] = {};
  const int length = ::GetWindowTextA(control, text, sizeof text);
  SIZE extent{};
  HDC dc = ::GetDC(control);
  if (!dc) return extent;
  HGDIOBJ old = ::SelectObject(dc, font_.get());
  ::GetTextExtentPoint32A(dc, text, length, &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return extent;
}

// As wide as its text, growing to the right, and at least as high.
void TProgressDlg::FitCountLabel() {
  const SIZE text = TextExtent(lbCnt);
  ::SetWindowPos(lbCnt, nullptr, 0, 0, text.cx,
                 std::max<int>(text.cy, Scaled(kCountPlace.height, dpi_)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A font that renders larger than designed must not cut the caption off.
void TProgressDlg::FitToText(HWND label) {
  RECT bounds{};
  ::GetClientRect(label, &bounds);
  const SIZE text = TextExtent(label);
  if (text.cx > bounds.right || text.cy > bounds.bottom) {
    ::SetWindowPos(label, nullptr, 0, 0, std::max<int>(text.cx, bounds.right),
                   std::max<int>(text.cy, bounds.bottom),
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
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    default:
      return DefaultHandler(message, wParam, lParam);
  }
}

// Moved to a screen of another scale: everything at the new DPI, in the
// rectangle the system suggests for it.
void TProgressDlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi ? dpi : kDesignDpi;
  Move(Handle(), suggested);
  ApplyDpi();
  if (!clipLibrary_) PlayOwnClip();
  // Every label in the new font at once, not when something else repaints it.
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace libinfo
