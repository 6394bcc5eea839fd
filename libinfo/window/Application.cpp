#include "window/Application.h"

#include <exception>
#include <vector>

#include "Failure.h"
#include "window/Form.h"

namespace libinfo {

TApplication& Application() noexcept {
  static TApplication application;
  return application;
}

void TApplication::ProcessMessages() noexcept {
  Pump(nullptr);
  RepostQuit();
}

void TApplication::ProcessMessagesUntilSet(const std::atomic<bool>& flag) noexcept {
  Pump(flag.load(std::memory_order_acquire) ? nullptr : &flag);
}

void TApplication::Pump(const std::atomic<bool>* leaveOnceSet) noexcept {
  // Messages sent from other threads and processes are delivered inside the
  // peek as well, so it runs even when nothing is posted.
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Put back at once, it would wake every wait for input right away
      // again: it is kept aside until the pumping's caller has wound up.
      quitPending_ = true;
      quitCode_ = static_cast<int>(msg.wParam);
      return;
    }
    Dispatch(msg);
    if (leaveOnceSet && leaveOnceSet->load(std::memory_order_acquire)) return;
  }
}

namespace {

struct DisabledWindows {
  HWND except;
  std::vector<HWND> windows;
  std::exception_ptr failure;

  // Called by the platform: no exception may pass through it.
  static BOOL CALLBACK Collect(HWND hwnd, LPARAM param) noexcept {
    auto* self = reinterpret_cast<DisabledWindows*>(param);
    if (hwnd == self->except || !::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd)) return TRUE;
    try {
      self->windows.push_back(hwnd);
      return TRUE;
    } catch (...) {
      self->failure = std::current_exception();
      return FALSE;
    }
  }
  // Nothing is disabled unless every window to disable is known.
  explicit DisabledWindows(HWND form) : except(form) {
    ::EnumThreadWindows(::GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    if (failure) std::rethrow_exception(failure);
    for (HWND hwnd : windows) ::EnableWindow(hwnd, FALSE);
  }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;
  ~DisabledWindows() {
    for (HWND hwnd : windows) {
      if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
    }
  }
};

}  // namespace

void TApplication::RunModal(TForm& form) {
  form.BeginModal();
  {
    DisabledWindows others(form.Handle());
    form.Show(SW_SHOWNORMAL);
    MSG msg;
    while (!form.ModalDone() && form.Handle()) {
      const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (got == -1) ThrowLastError("GetMessage");
      Dispatch(msg);
    }
    // The other windows come back before this one hides, so activation
    // returns to the owner instead of to some other application.
  }
  form.Hide();
}

void TApplication::ShowException(const char* text) noexcept {
  ShowFailure(owner_, text);
}

void TApplication::RepostQuit() noexcept {
  if (!quitPending_) return;
  quitPending_ = false;
  // For the loop that owns it: the modal run's, then the host's.
  ::PostQuitMessage(quitCode_);
}

void TApplication::Dispatch(MSG& msg) noexcept {
  TForm* form = msg.hwnd ? TForm::Find(::GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
  if (form && form->PreTranslateMessage(msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
}

}  // namespace libinfo
