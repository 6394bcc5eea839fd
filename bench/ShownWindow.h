// The library window as the benchmark shows it: shown and idle, pointed at
// one folder, its scans timed through Refresh.
#pragma once

#include <string>

#include "Measure.h"
#include "window/SysLibMain.h"

namespace bench {

// A reader count that leaves the window's own choice in place.
constexpr int kWindowOwnReaders = 0;

// The readers the window's scan uses when left to itself.
int DefaultReaders() noexcept;

// The window's first scan (normally started by the first activation) is left
// to the caller. With `readers` other than kWindowOwnReaders every scan reads
// with that many readers instead of the window's own choice.
class ShownWindow {
 public:
  explicit ShownWindow(const std::string& folder, int readers = kWindowOwnReaders);
  ShownWindow(const ShownWindow&) = delete;
  ShownWindow& operator=(const ShownWindow&) = delete;

  libinfo::TSysLibInfoWin& operator*() noexcept { return window_; }
  libinfo::TSysLibInfoWin* operator->() noexcept { return &window_; }

  // Refresh as the toolbar button runs it, timed until it returns.
  Timing TimedRefresh();

 private:
  libinfo::TSysLibInfoWin window_;
};

}  // namespace bench
