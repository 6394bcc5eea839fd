// Finds a property sheet (or any dialog) by a part of its title from a second
// thread, records the title and closes it. Depending on the shell, the call
// that opens a sheet returns at once or only once the sheet is closed; the
// watcher serves both and gives up after a timeout, so no test can hang.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cwctype>
#include <string>
#include <thread>

namespace testing_windows {

using namespace std::chrono_literals;

inline std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

// Finds a top-level dialog whose title contains a text, records the title and
// closes the dialog. Reads titles without messages, so a thread that is busy
// joining this one cannot block it.
class SheetWatcher {
 public:
  explicit SheetWatcher(std::wstring titlePart, std::chrono::milliseconds timeout = 15s)
      : titlePart_(Lower(std::move(titlePart))), timeout_(timeout), thread_([this] { Watch(); }) {}
  ~SheetWatcher() { Stop(); }

  // Waits until the sheet was found and closed or the time is up.
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }
  void Stop() {
    stop_ = true;
    Wait();
  }
  [[nodiscard]] bool Found() const { return !title_.empty(); }
  [[nodiscard]] const std::wstring& Title() const { return title_; }

 private:
  struct Search {
    const std::wstring* titlePart;
    HWND found = nullptr;
    std::wstring title;
  };

  static BOOL CALLBACK Check(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    char className[32] = {};
    ::GetClassNameA(window, className, sizeof className);
    wchar_t title[256] = {};
    ::InternalGetWindowText(window, title, 256);
    if (std::string(className) != "#32770") return TRUE;
    if (Lower(title).find(*search.titlePart) == std::wstring::npos) return TRUE;
    search.found = window;
    search.title = title;
    return FALSE;
  }

  void Watch() {
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      Search search{&titlePart_, nullptr, {}};
      ::EnumWindows(Check, reinterpret_cast<LPARAM>(&search));
      if (search.found) {
        title_ = search.title;
        Close(search.found);
        return;
      }
      std::this_thread::sleep_for(50ms);
    }
  }

  static void Close(HWND sheet) {
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && ::IsWindow(sheet); ++i) std::this_thread::sleep_for(50ms);
    if (::IsWindow(sheet)) ::PostMessageA(sheet, WM_CLOSE, 0, 0);
  }

  std::wstring titlePart_;
  std::chrono::milliseconds timeout_;
  std::atomic<bool> stop_{false};
  std::wstring title_;
  std::thread thread_;
};

}  // namespace testing_windows
