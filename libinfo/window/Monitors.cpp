#include "window/Monitors.h"

#include <algorithm>

namespace libinfo {

MonitorLookup& Monitors() noexcept {
  static MonitorLookup lookup;
  return lookup;
}

HMONITOR MonitorOf(HWND window) noexcept {
  return Monitors().fromWindow(window,
                               window ? MONITOR_DEFAULTTONEAREST : MONITOR_DEFAULTTOPRIMARY);
}

RECT WorkAreaOf(HMONITOR monitor) noexcept {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && Monitors().info(monitor, &info)) return info.rcWork;
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

RECT CentredIn(SIZE size, const RECT& area) noexcept {
  const LONG left = area.left + (area.right - area.left - size.cx) / 2;
  const LONG top = area.top + (area.bottom - area.top - size.cy) / 2;
  return RECT{left, top, left + size.cx, top + size.cy};
}

RECT KeptInside(const RECT& frame, const RECT& area) noexcept {
  const LONG width = frame.right - frame.left;
  const LONG height = frame.bottom - frame.top;
  const LONG left = std::max(area.left, std::min(frame.left, area.right - width));
  const LONG top = std::max(area.top, std::min(frame.top, area.bottom - height));
  return RECT{left, top, left + width, top + height};
}

RECT MovedOnto(const RECT& frame, const RECT& from, const RECT& to) noexcept {
  const LONG dx = to.left - from.left;
  const LONG dy = to.top - from.top;
  return KeptInside(RECT{frame.left + dx, frame.top + dy, frame.right + dx, frame.bottom + dy}, to);
}

}  // namespace libinfo
