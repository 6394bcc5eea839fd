// Watches a scan from the outside through thread hooks: every progress
// dialog shown and destroyed, every count written, and lets a test act after
// the n-th listed file.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace libinfo::testing {

class ScanProbe {
 public:
  struct DialogRecord {
    std::string countAtShow;  // the count label when the dialog appears
    bool stoppedAtShow = true;
    std::string countAtHide;     // the count label when Stop hid the dialog
    std::string countAtDestroy;  // the count label just before it goes away
    bool stoppedAtDestroy = false;
  };

  ScanProbe();
  ScanProbe(const ScanProbe&) = delete;
  ScanProbe& operator=(const ScanProbe&) = delete;
  ~ScanProbe();

  // Runs the action when the count label first shows n files or more.
  void AfterListed(int n, std::function<void()> action) { actions_[n] = std::move(action); }

  [[nodiscard]] const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
  [[nodiscard]] int MostDialogsAtOnce() const { return mostAlive_; }
  [[nodiscard]] const std::vector<std::string>& Counts() const { return counts_; }
  // When each of those captions was set.
  [[nodiscard]] const std::vector<std::chrono::steady_clock::time_point>& CountTimes() const {
    return countTimes_;
  }

 private:
  static LRESULT CALLBACK OnCall(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OnReturn(int code, WPARAM wParam, LPARAM lParam);
  void Seen(const CWPSTRUCT& call);
  void Returned(const CWPRETSTRUCT& call);

  HHOOK callHook_ = nullptr;
  HHOOK returnHook_ = nullptr;
  std::map<int, std::function<void()>> actions_;
  std::vector<DialogRecord> dialogs_;
  std::vector<std::string> counts_;
  std::vector<std::chrono::steady_clock::time_point> countTimes_;
  HWND lastShown_ = nullptr;
  int alive_ = 0;
  int mostAlive_ = 0;
};

// Pumps messages until the predicate holds or the time runs out.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 5000);

}  // namespace libinfo::testing
