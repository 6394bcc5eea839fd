// The screen scale the windows follow. Every size is designed at 96 pixels
// per inch and drawn at the window's own DPI: the one the system gives the
// window where it can say (the host decides how aware of scales its process
// is; the plug-in follows that and never changes it), otherwise the
// screen's. Layout, font and pictures always come from one and the same DPI.
#pragma once

#include <windows.h>

namespace libinfo {

inline constexpr UINT kDesignDpi = 96;

// The window's DPI; the screen's where the system cannot tell a window's.
[[nodiscard]] UINT DpiOf(HWND window) noexcept;

// A size or position designed at 96 DPI, at `dpi`.
[[nodiscard]] inline int Scaled(int designed, UINT dpi) noexcept {
  return ::MulDiv(designed, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// The picture scale drawn for `dpi`, in percent: 100, 125, 150 or 200, the
// largest that is not larger than the screen's.
[[nodiscard]] int PictureScale(UINT dpi) noexcept;

// "MS Sans Serif", 8 point, at `dpi`.
[[nodiscard]] HFONT FormFont(UINT dpi);

// The outer size of a window whose client area is `width` x `height` at
// `dpi`, in the frame metrics of that DPI where the system has them.
[[nodiscard]] SIZE FrameSize(int width, int height, DWORD style, DWORD exStyle, UINT dpi) noexcept;

}  // namespace libinfo
