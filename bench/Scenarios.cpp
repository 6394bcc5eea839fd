#include "Scenarios.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "Measure.h"
#include "Owned.h"
#include "version/VerInfo.h"
#include "window/Paths.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace bench {

using libinfo::TSysLibInfoWin;

namespace {

bool IsSkipped(const WIN32_FIND_DATAA& entry) {
  const std::string_view name = entry.cFileName;
  return name == "." || name == ".." || entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
}

// The library window, shown and idle, pointed at `folder`; its first scan
// (normally started by the first activation) is left to the caller.
class ShownWindow {
 public:
  explicit ShownWindow(const std::string& folder) : scope_(folder) {
    window_.ScanStarted = true;
    window_.Show();
    Settle();
  }
  TSysLibInfoWin& operator*() noexcept { return window_; }
  TSysLibInfoWin* operator->() noexcept { return &window_; }

  // Refresh as the toolbar button runs it; the time until it returns.
  double TimedRefresh() {
    const double start = NowMs();
    window_.tbRefreshClick();
    const double ms = NowMs() - start;
    Settle();
    return ms;
  }

 private:
  libinfo::ScopedLibraryDirectory scope_;
  TSysLibInfoWin window_;
};

// Clicks Stop from inside the scan once the count label reads `stopAt`, and
// notes when the click was posted and when the dialog had handled it.
class StopPress {
 public:
  explicit StopPress(int stopAt) : stopAt_(stopAt) {
    active_ = this;
    hook_.reset(::SetWindowsHookExA(WH_CALLWNDPROCRET, OnReturn, nullptr, ::GetCurrentThreadId()));
    callHook_.reset(::SetWindowsHookExA(WH_CALLWNDPROC, OnCall, nullptr, ::GetCurrentThreadId()));
  }
  StopPress(const StopPress&) = delete;
  StopPress& operator=(const StopPress&) = delete;
  ~StopPress() {
    hook_.reset();
    callHook_.reset();
    active_ = nullptr;
  }
  double PostedAt() const noexcept { return postedAt_; }
  double HandledAt() const noexcept { return handledAt_; }
  // Files listed when the dialog handled the click: the scan's messages are
  // handled once per interval, so a few more may follow the one clicked at.
  int ListedWhenHandled() const noexcept { return listedWhenHandled_; }
  // When the dialog's destruction began and when it was over.
  double DestroyingAt() const noexcept { return destroyingAt_; }
  double DestroyedAt() const noexcept { return destroyedAt_; }

 private:
  static void Unhook(HHOOK hook) noexcept { ::UnhookWindowsHookEx(hook); }
  static LRESULT CALLBACK OnReturn(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && active_) active_->Returned(*reinterpret_cast<CWPRETSTRUCT*>(lParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  void Returned(const CWPRETSTRUCT& call) {
    libinfo::TProgressDlg* dialog = libinfo::ProgressDlg;
    if (!dialog) return;
    if (call.message == WM_SETTEXT && call.hwnd == dialog->lbCnt && postedAt_ == 0 &&
        std::atoi(reinterpret_cast<const char*>(call.lParam)) == stopAt_) {
      postedAt_ = NowMs();
      ::PostMessageA(dialog->bbStop, BM_CLICK, 0, 0);
    } else if (call.message == WM_COMMAND && call.hwnd == dialog->Handle() &&
               LOWORD(call.wParam) == IDCANCEL && handledAt_ == 0 && dialog->Stopped) {
      handledAt_ = NowMs();
      char count[32] = {};
      ::GetWindowTextA(dialog->lbCnt, count, sizeof count);
      listedWhenHandled_ = std::atoi(count);
    }
  }
  static LRESULT CALLBACK OnCall(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && active_) {
      const auto& call = *reinterpret_cast<CWPSTRUCT*>(lParam);
      if (libinfo::ProgressDlg && call.message == WM_DESTROY &&
          call.hwnd == libinfo::ProgressDlg->Handle()) {
        active_->destroyingAt_ = NowMs();
      } else if (call.message == WM_SETREDRAW && call.wParam && active_->destroyingAt_ != 0 &&
                 active_->destroyedAt_ == 0) {
        active_->destroyedAt_ = NowMs();  // the list is drawn again once the dialog is gone
      }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline StopPress* active_ = nullptr;
  int listedWhenHandled_ = 0;
  libinfo::Owned<HHOOK, Unhook> hook_;
  libinfo::Owned<HHOOK, Unhook> callHook_;
  int stopAt_;
  double postedAt_ = 0;
  double handledAt_ = 0;
  double destroyingAt_ = 0;
  double destroyedAt_ = 0;
};

}  // namespace

LoopResult BareLoop(const std::string& folder) {
  LoopResult result;
  size_t characters = 0;  // keeps the values from being optimised away
  const double start = NowMs();
  WIN32_FIND_DATAA entry{};
  libinfo::UniqueFind search(::FindFirstFileA((folder + "\\*.*").c_str(), &entry));
  if (!search) return result;
  do {
    if (IsSkipped(entry)) continue;
    const libinfo::TVersionInfo info(libinfo::AddTrailingSeparator(folder) + entry.cFileName);
    if (!info.Valid()) continue;
    const std::string values[4] = {info.FileDescription(), info.ProductName(), info.FileVersion(),
                                   info.ProductVersion()};
    for (const auto& value : values) characters += value.size();
    ++result.listed;
  } while (::FindNextFileA(search.get(), &entry));
  result.ms = NowMs() - start;
  if (characters == static_cast<size_t>(-1)) std::puts("");
  return result;
}

LoopResult WindowScan(const std::string& folder) {
  ShownWindow window(folder);
  LoopResult result;
  result.ms = window.TimedRefresh();
  result.listed = window->RowCount();
  return result;
}

StopResult StoppedScan(const std::string& folder, int stopAt) {
  ShownWindow window(folder);
  StopPress press(stopAt);
  window->tbRefreshClick();
  const double end = NowMs();
  StopResult result;
  result.rows = window->RowCount();
  result.listedWhenHandled = press.ListedWhenHandled();
  if (press.HandledAt() == 0) throw std::runtime_error("Stop was never handled");
  result.pressToHandledMs = press.HandledAt() - press.PostedAt();
  result.handledToEndMs = end - press.HandledAt();
  result.handledToDestroyMs = press.DestroyingAt() - press.HandledAt();
  result.destroyMs = press.DestroyedAt() - press.DestroyingAt();
  return result;
}

RefreshResult RefreshOverFullList(const std::string& folder) {
  ShownWindow window(folder);
  RefreshResult result;
  result.intoEmptyMs = window.TimedRefresh();
  result.replacingMs = window.TimedRefresh();
  result.rows = window->RowCount();
  return result;
}

int RunMemoryChild(const std::string& folder, const std::string& resultFile) {
  ShownWindow window(folder);
  const MemorySample before = SampleMemory();
  window.TimedRefresh();
  const MemorySample after = SampleMemory();
  std::ofstream out(resultFile);
  out << window->RowCount() << ' '
      << static_cast<long long>(after.privateUsage) - static_cast<long long>(before.privateUsage)
      << ' '
      << static_cast<long long>(after.pagefileUsage) - static_cast<long long>(before.pagefileUsage)
      << '\n';
  return out ? 0 : 1;
}

MemoryResult MemoryPerRowInChild(const std::string& folder) {
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  char temp[MAX_PATH] = {};
  ::GetTempPathA(sizeof temp, temp);
  const std::string resultFile =
      std::string(temp) + "libinfo-bench-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  std::string command =
      "\"" + std::string(self) + "\" --memory-child \"" + folder + "\" \"" + resultFile + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    throw std::runtime_error("cannot start the memory child");
  }
  libinfo::UniqueHandle child(process.hProcess);
  libinfo::UniqueHandle thread(process.hThread);
  ::WaitForSingleObject(child.get(), INFINITE);
  MemoryResult result;
  std::ifstream in(resultFile);
  if (!(in >> result.rows >> result.privateGrowth >> result.pagefileGrowth)) {
    throw std::runtime_error("the memory child reported nothing");
  }
  in.close();
  ::DeleteFileA(resultFile.c_str());
  return result;
}

}  // namespace bench
