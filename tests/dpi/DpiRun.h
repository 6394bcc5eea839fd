// How this run of the DPI tests was started, and where a control sits.
#pragma once

#include <windows.h>

namespace libinfo::testing {

struct DpiRun {
  int layoutDpi = 0;  // the DPI the windows must be laid out for
  bool aware = true;  // whether the process declared itself aware of scales
};

DpiRun& ThisRun();

// The control's rectangle in its parent's client area.
inline RECT Bounds(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace libinfo::testing
