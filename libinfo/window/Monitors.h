// The monitor a window is on, and places on it. The look-up goes through a
// seam: the platform under test shows a single monitor, and placing windows
// across two must be tested all the same.
#pragma once

#include <windows.h>

namespace libinfo {

struct MonitorLookup {
  HMONITOR(WINAPI* fromWindow)(HWND, DWORD) = ::MonitorFromWindow;
  BOOL(WINAPI* info)(HMONITOR, LPMONITORINFO) = ::GetMonitorInfoA;
};

// The look-up every window uses; a test may replace its functions.
[[nodiscard]] MonitorLookup& Monitors() noexcept;

// The monitor nearest `window`; the primary one for no window.
[[nodiscard]] HMONITOR MonitorOf(HWND window) noexcept;

// The monitor's work area; the primary one's where the monitor is unknown.
[[nodiscard]] RECT WorkAreaOf(HMONITOR monitor) noexcept;

// A rectangle of `size` centred in `area`.
[[nodiscard]] RECT CentredIn(SIZE size, const RECT& area) noexcept;

// `frame` moved from the work area `from` to the work area `to`, at the
// same offset from its top-left corner, then pushed inside `to` as far as it
// fits (its top-left corner stays inside where it is larger).
[[nodiscard]] RECT MovedOnto(const RECT& frame, const RECT& from, const RECT& to) noexcept;

// `frame` pushed inside `area` as far as it fits, its size kept.
[[nodiscard]] RECT KeptInside(const RECT& frame, const RECT& area) noexcept;

}  // namespace libinfo
