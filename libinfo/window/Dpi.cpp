#include "window/Dpi.h"

#include "Failure.h"

namespace libinfo {

namespace {

// Looked up at run time: the plug-in still loads where the system has
// neither.
template <typename Function>
Function UserFunction(const char* name) noexcept {
  HMODULE user = ::GetModuleHandleA("user32.dll");
  return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user, name)))
              : nullptr;
}

using DpiForWindow = UINT(WINAPI*)(HWND);
using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

UINT ScreenDpi() noexcept {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return kDesignDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

}  // namespace

// Where the system gives a window its own DPI, that is the one: in a
// process that is not aware of scales it is 96 whatever the screen's, and
// the system stretches the whole window instead (or, where it does not,
// the window at least stays whole at its designed size).
UINT DpiOf(HWND window) noexcept {
  static const auto forWindow = UserFunction<DpiForWindow>("GetDpiForWindow");
  if (forWindow && window) {
    if (const UINT dpi = forWindow(window)) return dpi;
  }
  return ScreenDpi();
}

int PictureScale(UINT dpi) noexcept {
  const int percent = ::MulDiv(static_cast<int>(dpi), 100, static_cast<int>(kDesignDpi));
  for (const int drawn : {200, 150, 125}) {
    if (percent >= drawn) return drawn;
  }
  return 100;
}

HFONT FormFont(UINT dpi) {
  HFONT font = ::CreateFontA(-::MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE,
                             FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  if (!font) ThrowLastError("CreateFont");
  return font;
}

SIZE FrameSize(int width, int height, DWORD style, DWORD exStyle, UINT dpi) noexcept {
  static const auto adjustForDpi = UserFunction<AdjustForDpi>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, width, height};
  if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, dpi)) {
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace libinfo
