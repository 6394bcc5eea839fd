#include "common/ScanRunners.h"

#include <stdexcept>
#include <string>

namespace libinfo::testing {
namespace {

constexpr DWORD kLongestHoldMs = 5000;

// Sleeps in short steps, so that a stopped scan does not wait the whole time.
void Pause(DWORD milliseconds, const std::atomic<bool>& stopped) {
  const DWORD start = ::GetTickCount();
  while (!stopped.load() && ::GetTickCount() - start < milliseconds) ::Sleep(2);
}

// Runs the real scan (with `readers` readers instead of the window's own
// number where given), calling `after(n)` on the reading thread behind the
// n-th row handed on.
template <typename After>
ScanRunner Around(After after, int readers = 0) {
  return [after, readers](const LibraryScan& scan, const std::atomic<bool>& stopped,
                          const LibraryScan::RowSink& sink) {
    int rows = 0;
    const auto handOn = [&](LibraryRow&& row) {
      sink(std::move(row));
      after(++rows, stopped);
    };
    if (readers == 0) return scan.Run(stopped, handOn);
    return LibraryScan(scan.Folder(), readers).Run(stopped, handOn);
  };
}

}  // namespace

ScanRunner SlowReading(DWORD msPerRow, int readers) {
  return Around([msPerRow](int, const std::atomic<bool>& stopped) { Pause(msPerRow, stopped); },
                readers);
}

ScanRunner HoldAfter(int rows) {
  return Around([rows](int listed, const std::atomic<bool>& stopped) {
    if (listed == rows) Pause(kLongestHoldMs, stopped);
  });
}

// A failure of one row's handling is that row's alone, so the failure comes
// from the reading as a whole, once it has handed on its rows.
ScanRunner FailAfter(int rows, const char* reason) {
  const std::string text = reason;
  return [rows, text](const LibraryScan& scan, const std::atomic<bool>&,
                      const LibraryScan::RowSink& sink) -> int {
    std::atomic<bool> enough{false};
    int listed = 0;
    scan.Run(enough, [&](LibraryRow&& row) {
      sink(std::move(row));
      if (++listed == rows) enough = true;
    });
    throw std::runtime_error(text);
  };
}

}  // namespace libinfo::testing
