// The screen scale the windows follow. Every size is designed at 96 pixels
// per inch and drawn at the window's own DPI: the one the system gives the
// window where it can say (the host decides how aware of scales its process
// is; the plug-in follows that and never changes it), otherwise the
// screen's. Layout, font and pictures always come from one and the same DPI.
#pragma once

#include <windows.h>

namespace libinfo {

inline constexpr UINT kDesignDpi = 96;

// How a window's DPI is asked for: of the window itself (Windows 10), or
// of its monitor (Windows 8.1). Either may be missing; both are looked up at
// run time.
struct DpiLookup {
  UINT(WINAPI* forWindow)(HWND) = nullptr;
  HRESULT(WINAPI* forMonitor)(HMONITOR, int type, UINT* x, UINT* y) = nullptr;
};
[[nodiscard]] const DpiLookup& SystemDpiLookup() noexcept;

// The window's DPI; its monitor's where the system cannot tell a window's,
// the screen's where it cannot tell a monitor's either.
[[nodiscard]] UINT DpiOf(HWND window, const DpiLookup& lookup) noexcept;
[[nodiscard]] inline UINT DpiOf(HWND window) noexcept {
  return DpiOf(window, SystemDpiLookup());
}

// A size or position designed at 96 DPI, at `dpi`.
[[nodiscard]] inline int Scaled(int designed, UINT dpi) noexcept {
  return ::MulDiv(designed, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// The picture scale drawn for `dpi`, in percent: 100, 125, 150 or 200, the
// largest that is not larger than the screen's.
[[nodiscard]] int PictureScale(UINT dpi) noexcept;

// "MS Sans Serif", 8 point, at `dpi`.
[[nodiscard]] HFONT FormFont(UINT dpi);

// The system's font for hints at `dpi` where the system gives its fonts
// per DPI, otherwise the form's font at `dpi`.
[[nodiscard]] HFONT HintFont(UINT dpi);

// The outer size of a window whose client area is `width` x `height` at
// `dpi`, in the frame metrics of that DPI where the system has them.
[[nodiscard]] SIZE FrameSize(int width, int height, DWORD style, DWORD exStyle, UINT dpi) noexcept;

}  // namespace libinfo
