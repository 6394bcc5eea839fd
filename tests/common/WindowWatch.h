// Finding and closing windows that some code under test shows and waits on:
// message boxes, modal windows, windows of a child process. Shared by the
// plug-in tests (same process) and the host tests (child process).
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

namespace testing_windows {

using namespace std::chrono_literals;

constexpr char kDialogClass[] = "#32770";
// The control id a message box gives its text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct WindowQuery {
  DWORD processId;
  const char* className;  // null: any class
  const char* caption;    // null: any caption
  HWND found = nullptr;
};

inline std::string WindowText(HWND window) {
  char text[1024] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

inline std::string ClassName(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

inline bool Matches(HWND window, const WindowQuery& query) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  return processId == query.processId && ::IsWindowVisible(window) &&
         (!query.className || ClassName(window) == query.className) &&
         (!query.caption || WindowText(window) == query.caption);
}

inline BOOL CALLBACK KeepFirstMatch(HWND window, LPARAM param) {
  auto& query = *reinterpret_cast<WindowQuery*>(param);
  if (!Matches(window, query)) return TRUE;
  query.found = window;
  return FALSE;
}

// A visible top-level window of the process, or null.
inline HWND FindTopLevelWindow(DWORD processId, const char* className, const char* caption) {
  WindowQuery query{processId, className, caption};
  ::EnumWindows(&KeepFirstMatch, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

inline HWND WaitForTopLevelWindow(DWORD processId, const char* className, const char* caption,
                                  std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    if (HWND window = FindTopLevelWindow(processId, className, caption)) return window;
    std::this_thread::sleep_for(20ms);
  } while (std::chrono::steady_clock::now() < deadline);
  return nullptr;
}

inline std::string MessageBoxText(HWND box) {
  char text[1024] = {};
  ::GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof text);
  return text;
}

inline void PressOk(HWND dialog) {
  ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// The last resort of a watcher that did not find what it waited for: closes
// every dialog of the thread so that the blocked test fails instead of hanging.
inline BOOL CALLBACK PressOkIfDialog(HWND window, LPARAM) {
  if (ClassName(window) == kDialogClass) PressOk(window);
  return TRUE;
}

inline void CloseDialogsOfThread(DWORD threadId) {
  ::EnumThreadWindows(threadId, &PressOkIfDialog, 0);
}

}  // namespace testing_windows
