#include "common/ScanProbe.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>

#include "window/PrgsDlg.h"

namespace libinfo::testing {

namespace {

ScanProbe* active = nullptr;

std::string TextOf(HWND hwnd) {
  char text[256] = {};
  ::GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

bool IsProgressDialog(HWND hwnd) {
  return ProgressDlg && hwnd == ProgressDlg->Handle();
}

}  // namespace

ScanProbe::ScanProbe() {
  active = this;
  callHook_ = ::SetWindowsHookExA(WH_CALLWNDPROC, OnCall, nullptr, ::GetCurrentThreadId());
  returnHook_ = ::SetWindowsHookExA(WH_CALLWNDPROCRET, OnReturn, nullptr, ::GetCurrentThreadId());
}

ScanProbe::~ScanProbe() {
  ::UnhookWindowsHookEx(callHook_);
  ::UnhookWindowsHookEx(returnHook_);
  active = nullptr;
}

LRESULT CALLBACK ScanProbe::OnCall(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && active) active->Seen(*reinterpret_cast<CWPSTRUCT*>(lParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ScanProbe::OnReturn(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && active) active->Returned(*reinterpret_cast<CWPRETSTRUCT*>(lParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void ScanProbe::Seen(const CWPSTRUCT& call) {
  if (!IsProgressDialog(call.hwnd)) return;
  if (call.message == WM_SHOWWINDOW && call.wParam && call.hwnd != lastShown_) {
    // Shown for the first time: a scan has just begun.
    lastShown_ = call.hwnd;
    dialogs_.push_back({TextOf(ProgressDlg->lbCnt), ProgressDlg->Stopped, {}, {}, false});
    mostAlive_ = std::max(mostAlive_, ++alive_);
  } else if (call.message == WM_SHOWWINDOW && !call.wParam && !dialogs_.empty()) {
    dialogs_.back().countAtHide = TextOf(ProgressDlg->lbCnt);
  } else if (call.message == WM_DESTROY && !dialogs_.empty()) {
    dialogs_.back().countAtDestroy = TextOf(ProgressDlg->lbCnt);
    dialogs_.back().stoppedAtDestroy = ProgressDlg->Stopped;
    --alive_;
  }
}

void ScanProbe::Returned(const CWPRETSTRUCT& call) {
  if (call.message != WM_SETTEXT || !ProgressDlg || call.hwnd != ProgressDlg->lbCnt) return;
  const std::string text = reinterpret_cast<const char*>(call.lParam);
  counts_.push_back(text);
  countTimes_.push_back(std::chrono::steady_clock::now());
  // The label shows the latest count at most 20 times a second, so a count may be
  // skipped: every action due by now runs, in order.
  const int listed = std::atoi(text.c_str());
  while (!actions_.empty() && actions_.begin()->first <= listed) {
    auto run = std::move(actions_.begin()->second);
    actions_.erase(actions_.begin());
    run();
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > milliseconds) return false;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::Sleep(5);
  }
  return true;
}

}  // namespace libinfo::testing
