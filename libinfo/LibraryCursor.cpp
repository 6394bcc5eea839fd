#include "LibraryCursor.h"

namespace libinfo {
namespace {

HCURSOR current = nullptr;  // the library's windows all run on the host's GUI thread

}  // namespace

HCURSOR LibraryCursor() noexcept {
  return current;
}

void SetLibraryCursor(HCURSOR cursor) noexcept {
  current = cursor;
  if (cursor) {
    ::SetCursor(cursor);
    return;
  }
  POINT at{};
  ::GetCursorPos(&at);
  HWND under = ::WindowFromPoint(at);
  if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
    const LRESULT hit = ::SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
  }
}

}  // namespace libinfo
