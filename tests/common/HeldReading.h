// A reading that, once asked to stop, holds in its current file until
// released, as a slow disk does; and another thread that meanwhile sends the
// window thread a message and waits for the answer. Together they tell
// whether the window thread still answers while it waits for the reading.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

#include "Owned.h"
#include "scan/LibraryScan.h"

namespace libinfo::testing {

class HeldReading {
 public:
  HeldReading();
  // Made-up rows until stopped; then it holds until Release(), at most
  // `kLongestHold`, and notes which of the two ended the hold.
  [[nodiscard]] ScanRunner Runner();
  [[nodiscard]] HANDLE Holding() const noexcept { return holding_.get(); }
  void Release() noexcept { ::SetEvent(release_.get()); }
  [[nodiscard]] bool ReleasedBeforeItsEnd() const noexcept { return released_; }

  static constexpr DWORD kLongestHold = 10000;

 private:
  UniqueHandle holding_;
  UniqueHandle release_;
  std::atomic<bool> released_{false};
};

// Once the reading holds, sends `window` WM_GETTEXT from a thread of its own
// and releases the reading when the answer came or the send gave up.
class SenderWhileHeld {
 public:
  SenderWhileHeld(HWND window, HeldReading& reading);
  SenderWhileHeld(const SenderWhileHeld&) = delete;
  SenderWhileHeld& operator=(const SenderWhileHeld&) = delete;
  ~SenderWhileHeld();
  // The window's caption as the answer gave it; empty when unanswered.
  // Valid once the thread it came from is joined.
  [[nodiscard]] const std::string& Answer();

 private:
  std::string answer_;
  std::thread thread_;
};

}  // namespace libinfo::testing
