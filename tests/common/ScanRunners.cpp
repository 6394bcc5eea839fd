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

// Runs the real scan, calling `after(n)` on the reading thread behind the
// n-th row handed on.
template <typename After>
ScanRunner Around(After after) {
  return [after](const LibraryScan& scan, const std::atomic<bool>& stopped,
                 const LibraryScan::RowSink& sink) {
    int rows = 0;
    return scan.Run(stopped, [&](LibraryRow&& row) {
      sink(std::move(row));
      after(++rows, stopped);
    });
  };
}

}  // namespace

ScanRunner SlowReading(DWORD msPerRow) {
  return Around([msPerRow](int, const std::atomic<bool>& stopped) { Pause(msPerRow, stopped); });
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
