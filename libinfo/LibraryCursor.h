// The cursor shape every window of the library shows while it is set, for
// work that keeps the user waiting (null: each window shows its own). It
// lives below the windows and the shell code, so both can use it.
#pragma once

#include <windows.h>

namespace libinfo {

[[nodiscard]] HCURSOR LibraryCursor() noexcept;

// Setting it shows it at once; clearing it lets the window under the mouse
// pick its own shape again right away, not on the next mouse move.
void SetLibraryCursor(HCURSOR cursor) noexcept;

// Sets the library cursor for its lifetime and puts the old one back on
// every way out.
class CursorGuard {
 public:
  explicit CursorGuard(HCURSOR cursor) noexcept : previous_(LibraryCursor()) {
    SetLibraryCursor(cursor);
  }
  CursorGuard(const CursorGuard&) = delete;
  CursorGuard& operator=(const CursorGuard&) = delete;
  ~CursorGuard() { SetLibraryCursor(previous_); }

 private:
  HCURSOR previous_;
};

}  // namespace libinfo
