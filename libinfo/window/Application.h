// The library's GUI application object: the owner handle lent by the host,
// the library-wide cursor, message pumping and the modal run.
#pragma once

#include <windows.h>

#include <atomic>

#include "LibraryCursor.h"

namespace libinfo {

class TForm;

class TApplication {
 public:
  // The window every top-level window of the library takes as its owner;
  // null until the host lends one.
  [[nodiscard]] HWND Handle() const noexcept { return owner_; }
  void SetHandle(HWND owner) noexcept { owner_ = owner; }

  // The cursor all library windows show while it is set; null means each
  // window shows its own. Setting it shows it at once.
  [[nodiscard]] HCURSOR Cursor() const noexcept { return LibraryCursor(); }
  void SetCursor(HCURSOR cursor) noexcept { SetLibraryCursor(cursor); }

  // Handles every message waiting in the thread's queue, then returns.
  void ProcessMessages() noexcept;
  // The same, but when `flag` is clear on entry, returns as soon as a
  // handled message has set it and leaves the rest waiting: a scan asked to
  // stop ends before the paints that its stopping caused.
  void ProcessMessagesUntilSet(const std::atomic<bool>& flag) noexcept;

  // A quit request the pumping above took out of the queue, not yet put
  // back; the scan that pumps ends on it and then puts it back.
  [[nodiscard]] bool QuitPending() const noexcept { return quitPending_; }
  void RepostQuit() noexcept;

  // Shows the form and dispatches messages until it asks to end its modal
  // run (or the thread is asked to quit). Other windows of the thread are
  // disabled meanwhile, as for any modal window.
  void RunModal(TForm& form);

  // Reports a failure that escaped an event handler, then lets the caller go on.
  void ShowException(const char* text) noexcept;

 private:
  void Pump(const std::atomic<bool>* leaveOnceSet) noexcept;
  void Dispatch(MSG& msg) noexcept;

  HWND owner_ = nullptr;
  bool quitPending_ = false;
  int quitCode_ = 0;
};

TApplication& Application() noexcept;

}  // namespace libinfo
