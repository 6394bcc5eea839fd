#include "ChildProcesses.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "BareLoops.h"
#include "Measure.h"
#include "Scenarios.h"
#include "ShownWindow.h"

namespace bench {
namespace {

constexpr char kChildOption[] = "--memory-child";
constexpr char kSpinnerOption[] = "--spinner";

int RunMemoryChild(const std::string& folder, const std::string& resultFile, MemoryPlan plan) {
  if (plan.afterFirstScan) {
    const EmptyFolder empty;
    WindowScan(empty.Path());
  }
  ShownWindow window(folder);
  const MemorySample before = SampleMemory();
  const int rows = plan.what == MemoryOf::BareLoop ? BareLoop(folder).listed
                                                   : (window.TimedRefresh(), window->RowCount());
  const MemorySample after = SampleMemory();
  std::ofstream out(resultFile);
  const auto growth = [](SIZE_T from, SIZE_T to) {
    return static_cast<long long>(to) - static_cast<long long>(from);
  };
  out << rows << ' ' << growth(before.privateUsage, after.privateUsage) << ' '
      << growth(before.pagefileUsage, after.pagefileUsage) << ' '
      << growth(before.committedPrivate, after.committedPrivate) << '\n';
  return out ? 0 : 1;
}

// This program again, with `arguments`; its main thread's handle is closed.
libinfo::UniqueHandle StartSelf(const std::string& arguments) {
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = "\"" + std::string(self) + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    throw std::runtime_error("cannot start " + command);
  }
  const libinfo::UniqueHandle thread(process.hThread);
  return libinfo::UniqueHandle(process.hProcess);
}

}  // namespace

// FOLDER RESULT_FILE scan|bare first|later
int RunMemoryChildIfAsked(int argc, char** argv) {
  if (argc != 6 || std::string(argv[1]) != kChildOption) return -1;
  MemoryPlan plan;
  plan.what = std::string(argv[4]) == "bare" ? MemoryOf::BareLoop : MemoryOf::Scan;
  plan.afterFirstScan = std::string(argv[5]) == "later";
  return RunMemoryChild(argv[2], argv[3], plan);
}

BusyCore::BusyCore()
    : spinner_(
          StartSelf(std::string(kSpinnerOption) + " " + std::to_string(::GetCurrentProcessId()))) {
  ::Sleep(300);  // until it spins
}

BusyCore::~BusyCore() {
  ::TerminateProcess(spinner_.get(), 0);
  ::WaitForSingleObject(spinner_.get(), INFINITE);
}

int RunSpinnerIfAsked(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != kSpinnerOption) return -1;
  // A spinner left behind by a benchmark that died would spin for ever.
  const libinfo::UniqueHandle parent(
      ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::atoll(argv[2]))));
  if (!parent) return 1;
  for (;;) {
    std::atomic<unsigned> spins{0};  // a loop the compiler cannot drop
    while (spins.fetch_add(1, std::memory_order_relaxed) < 100'000'000u) {
    }
    if (::WaitForSingleObject(parent.get(), 0) != WAIT_TIMEOUT) return 0;
  }
}

MemoryResult MemoryPerRowInChild(const std::string& folder, MemoryPlan plan) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(sizeof temp, temp);
  const std::string resultFile =
      std::string(temp) + "libinfo-bench-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  const libinfo::UniqueHandle child =
      StartSelf(std::string(kChildOption) + " \"" + folder + "\" \"" + resultFile + "\" " +
                (plan.what == MemoryOf::BareLoop ? "bare" : "scan") + " " +
                (plan.afterFirstScan ? "later" : "first"));
  ::WaitForSingleObject(child.get(), INFINITE);
  MemoryResult result;
  std::ifstream in(resultFile);
  if (!(in >> result.rows >> result.privateGrowth >> result.pagefileGrowth >>
        result.committedGrowth)) {
    throw std::runtime_error("the memory child reported nothing");
  }
  in.close();
  ::DeleteFileA(resultFile.c_str());
  return result;
}

}  // namespace bench
