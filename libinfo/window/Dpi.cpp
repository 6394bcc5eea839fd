#include "window/Dpi.h"

#include "Failure.h"
#include "SystemLibrary.h"
#include "window/Monitors.h"

namespace libinfo {

namespace {

// Looked up at run time: the plug-in still loads where the system has
// neither.
template <typename Function>
Function UserFunction(const char* name) noexcept {
  return FunctionOf<Function>(::GetModuleHandleA("user32.dll"), name);
}

using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

UINT ScreenDpi() noexcept {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return kDesignDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

}  // namespace

const DpiLookup& SystemDpiLookup() noexcept {
  static const DpiLookup lookup = [] {
    DpiLookup found;
    found.forWindow = UserFunction<decltype(found.forWindow)>("GetDpiForWindow");
    // Only asked where the window's own is missing: the library that has it
    // need not be loaded otherwise.
    if (!found.forWindow) {
      found.forMonitor = FunctionOf<decltype(found.forMonitor)>(LoadSystemLibrary("shcore.dll"),
                                                                "GetDpiForMonitor");
    }
    return found;
  }();
  return lookup;
}

// Where the system gives a window its own DPI, that is the one: in a
// process that is not aware of scales it is 96 whatever the screen's, and
// the system stretches the whole window instead (or, where it does not,
// the window at least stays whole at its designed size). A monitor's DPI
// is given the same way.
UINT DpiOf(HWND window, const DpiLookup& lookup) noexcept {
  if (window && lookup.forWindow) {
    if (const UINT dpi = lookup.forWindow(window)) return dpi;
  }
  if (window && lookup.forMonitor) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(lookup.forMonitor(MonitorOf(window), kEffectiveDpi, &x, &y)) && y) return y;
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

HFONT HintFont(UINT dpi) {
  static const auto forDpi = UserFunction<ParametersForDpi>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    if (HFONT font = ::CreateFontIndirectW(&metrics.lfStatusFont)) return font;
  }
  return FormFont(dpi);
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
