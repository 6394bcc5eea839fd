// How a scan ends, as other threads and programs see it: Stop leaves the
// rows the user saw counted, a quit request ends the scan without spinning,
// the window never drops out of sight, and the controls are registered
// before they are made.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/BusyCores.h"
#include "common/ScanProbe.h"
#include "common/ScanRunners.h"
#include "window/Application.h"
#include "window/CommonControls.h"
#include "window/PrgsDlg.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 10000;

// `kRows` made-up rows, each taking `perRow` to read; a stopped reading
// still finishes the file at hand, which takes `lastFile`, and sets
// `sawStop` if given.
ScanRunner SteadyRows(std::chrono::microseconds perRow, std::chrono::milliseconds lastFile = 0ms,
                      std::atomic<bool>* sawStop = nullptr) {
  return [perRow, lastFile, sawStop](const LibraryScan&, const std::atomic<bool>& stopped,
                                     const LibraryScan::RowSink& sink) {
    int rows = 0;
    for (; rows < kRows; ++rows) {
      if (stopped.load()) {
        if (sawStop) *sawStop = true;
        std::this_thread::sleep_for(lastFile);
        break;
      }
      Spin(perRow);
      sink({"library" + std::to_string(rows) + ".dll", "text", "text", "text", "text"});
    }
    return rows;
  };
}

// The label reads "N files", or "%d" before the first count.
int CountIn(const std::string& label) {
  return std::atoi(label.c_str());
}

// Every entry of the folder yields a row after a little work: a steady,
// fast disk for four readers.
ScanRunner FourSteadyReaders() {
  return [](const LibraryScan& scan, const std::atomic<bool>& stopped,
            const LibraryScan::RowSink& sink) {
    const auto reader = [](const std::string&, const char* name, LibraryRow& row) {
      Spin(200us);
      row = {name, "text", "text", "text", "text"};
      return true;
    };
    return LibraryScan(scan.Folder(), 4, reader).Run(stopped, sink);
  };
}

std::string UnversionedFolder() {
  char folder[MAX_PATH] = {};
  GetFullPathNameA("fixtures\\unversioned", sizeof folder, folder, nullptr);
  return folder;
}

// Stop pressed once the label shows `at` files or more keeps exactly the
// rows the label showed; returns the window's rows.
std::vector<std::string> StoppedAt(int at, const std::string& folder, const ScanRunner& runner) {
  TSysLibInfoWin window(folder, runner);
  window.ScanStarted = true;  // the scan below is the only one
  window.Show();
  ScanProbe probe;
  probe.AfterListed(at, [] { PostMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0); });
  window.ScanSystemLibraries();
  EXPECT_EQ(1u, probe.Dialogs().size());
  if (probe.Dialogs().empty()) return {};
  const auto& dialog = probe.Dialogs()[0];
  EXPECT_FALSE(dialog.countAtHide.empty()) << "the scan ended before Stop";
  EXPECT_GE(CountIn(dialog.countAtHide), at);
  EXPECT_EQ(CountIn(dialog.countAtHide), window.RowCount())
      << "the label read " << dialog.countAtHide;
  EXPECT_EQ(dialog.countAtHide, dialog.countAtDestroy) << "the final count is the rows kept";
  std::vector<std::string> rows;
  for (int row = 0; row < window.RowCount(); ++row) rows.push_back(window.CellText(row, 0));
  return rows;
}

TEST(StopUnderLoad, KeepsExactlyTheRowsTheCountShowedAtThePress) {
  const BusyCores busy;
  for (const int at : {1, 300, 3000}) {
    SCOPED_TRACE(at);
    StoppedAt(at, "C:\\made-up", SteadyRows(200us));
  }
}

// With several readers the rows kept are also the walk's beginning: the
// folder's entries are e00000, e00001 and so on, walked in that order.
TEST(StopUnderLoad, SeveralReadersKeepTheWalksBeginning) {
  const BusyCores busy;
  for (const int at : {1, 300, 3000}) {
    SCOPED_TRACE(at);
    const auto rows = StoppedAt(at, UnversionedFolder(), FourSteadyReaders());
    for (std::size_t row = 0; row < rows.size(); ++row) {
      char stem[16];
      std::snprintf(stem, sizeof stem, "e%05u.", static_cast<unsigned>(row));
      ASSERT_EQ(0u, rows[row].rfind(stem, 0)) << rows[row] << " at row " << row;
    }
  }
}

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME t) {
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// The quit belongs to the host's loop: it ends the scan and the modal run
// and is still queued afterwards. Meanwhile the window thread waits for the
// reading to finish its file, without spinning on the quit.
TEST(QuitDuringAScan, EndsTheScanAndTheRunIdlyAndStaysQueued) {
  std::atomic<bool> readingStopped{false};
  TSysLibInfoWin window("C:\\made-up", SteadyRows(1000us, 800ms, &readingStopped),
                        Application().Handle());
  ScanProbe probe;
  Clock::time_point posted;
  double cpuAtPost = 0;
  probe.AfterListed(20, [&] {
    PostQuitMessage(7);
    posted = Clock::now();
    cpuAtPost = ThreadCpuSeconds();
  });
  Application().RunModal(window);
  const double wall = std::chrono::duration<double>(Clock::now() - posted).count();
  const double cpu = ThreadCpuSeconds() - cpuAtPost;
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was lost";
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_TRUE(readingStopped) << "the reading was not told to stop and ran to its end";
  EXPECT_LT(window.RowCount(), kRows) << "the scan went on to its end";
  EXPECT_GE(wall, 0.7) << "the reading's last file is waited for";
  EXPECT_LT(cpu, wall / 4) << cpu << " s of CPU in " << wall << " s";
  EXPECT_FALSE(IsWindowVisible(window.Handle())) << "the modal run ended";
}

// Samples the window's visibility from another thread every millisecond.
class VisibilitySampler {
 public:
  explicit VisibilitySampler(HWND window)
      : thread_([this, window] {
          while (!done_) {
            ++samples_;
            if (!IsWindowVisible(window)) ++gaps_;
            Sleep(1);
          }
        }) {}
  ~VisibilitySampler() { Stop(); }
  void Stop() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }
  [[nodiscard]] int Samples() const { return samples_; }
  [[nodiscard]] int Gaps() const { return gaps_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<int> samples_{0};
  std::atomic<int> gaps_{0};
  std::thread thread_;
};

TEST(ScanEnd, TheWindowStaysVisibleThroughAScanAStopAndARefresh) {
  TSysLibInfoWin window("C:\\made-up", SteadyRows(50us));
  window.ScanStarted = true;
  window.Show();
  ScanProbe probe;
  probe.AfterListed(2000, [] { PostMessageA(ProgressDlg->bbStop, BM_CLICK, 0, 0); });
  VisibilitySampler sampler(window.Handle());
  window.ScanSystemLibraries();  // stopped
  const int stoppedRows = window.RowCount();
  window.tbRefreshClick();  // runs to the end
  PumpUntil([] { return false; }, 200);
  sampler.Stop();
  EXPECT_LT(stoppedRows, kRows);
  EXPECT_EQ(kRows, window.RowCount());
  EXPECT_GT(sampler.Samples(), 50);
  EXPECT_EQ(0, sampler.Gaps()) << "of " << sampler.Samples() << " samples";
}

// The platform here registers the classes when the control library loads,
// so the call itself is watched.
std::vector<DWORD> registered;
BOOL WINAPI WatchRegistration(const INITCOMMONCONTROLSEX* classes) {
  registered.push_back(classes && classes->dwSize == sizeof *classes ? classes->dwICC : 0);
  return TRUE;
}

TEST(CommonControls, AreRegisteredBeforeTheWindowAndTheDialogAreMade) {
  const CommonControlsInit platform = InitCommonControlClasses;
  InitCommonControlClasses = WatchRegistration;
  registered.clear();
  {
    const TSysLibInfoWin window("C:\\made-up");
    const TProgressDlg dialog(nullptr);
  }
  InitCommonControlClasses = platform;
  ASSERT_EQ(2u, registered.size());
  constexpr DWORD kNeeded = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS;
  for (const DWORD classes : registered) EXPECT_EQ(kNeeded, classes & kNeeded);
}

}  // namespace
}  // namespace libinfo::testing
