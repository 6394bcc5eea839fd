#include "BareLoops.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "Owned.h"
#include "rows/LibraryRow.h"
#include "scan/JoinedThread.h"
#include "scan/LibraryScan.h"
#include "scan/Paths.h"
#include "scan/SlimLock.h"
#include "version/VerInfo.h"

namespace bench {

using libinfo::JoinedThread;
using libinfo::SlimLock;

namespace {

// The names the walk has found so far, dealt to the reading threads through
// one index: each takes the next name not yet taken.
class SharedIndex {
 public:
  void Add(const char* name) {
    const std::lock_guard<SlimLock> hold(lock_);
    names_.emplace_back(name);
    ::WakeConditionVariable(&added_);
  }

  void WalkOver() {
    const std::lock_guard<SlimLock> hold(lock_);
    walkOver_ = true;
    ::WakeAllConditionVariable(&added_);
  }

  // False once the walk is over and every name has been taken.
  bool Take(std::string& name) {
    std::unique_lock<SlimLock> hold(lock_);
    while (next_ == names_.size() && !walkOver_) lock_.Wait(added_);
    if (next_ == names_.size()) return false;
    name = std::move(names_[next_++]);
    return true;
  }

 private:
  SlimLock lock_;
  CONDITION_VARIABLE added_ = CONDITION_VARIABLE_INIT;
  std::deque<std::string> names_;  // grows without moving the names already in it
  std::size_t next_ = 0;
  bool walkOver_ = false;
};

// What the scan's reader does with one entry: the version data and the four
// texts of its row; the row is dropped. A failure is the entry's alone.
bool ReadEntry(const std::string& folder, const std::string& name) noexcept {
  try {
    const libinfo::TVersionInfo info(folder + name);
    if (!info.Valid()) return false;
    const libinfo::LibraryRow row{name, info.FileDescription(), info.ProductName(),
                                  info.FileVersion(), info.ProductVersion()};
    return !row.name.empty();
  } catch (...) {
    return false;
  }
}

int ReadTaken(SharedIndex& index, const std::string& folder) noexcept {
  int rows = 0;
  std::string name;
  while (index.Take(name)) rows += ReadEntry(folder, name);
  return rows;
}

int ReadOnThreads(const std::string& folder, int threads) {
  WIN32_FIND_DATAA entry{};
  const libinfo::UniqueFind search(::FindFirstFileA((folder + "\\*.*").c_str(), &entry));
  if (!search) return 0;
  const std::string withSeparator = libinfo::AddTrailingSeparator(folder);
  SharedIndex index;
  std::vector<int> rows(threads, 0);
  std::vector<std::unique_ptr<JoinedThread>> readers;  // joined when they go
  try {
    for (int thread = 0; thread < threads; ++thread) {
      readers.push_back(std::make_unique<JoinedThread>());
      readers.back()->Start([&index, &withSeparator, &rows, thread] {
        rows[thread] = ReadTaken(index, withSeparator);
      });
    }
    do {
      if (!libinfo::LibraryScan::IsSkipped(entry)) index.Add(entry.cFileName);
    } while (::FindNextFileA(search.get(), &entry));
  } catch (...) {
    index.WalkOver();  // so that the readers end and can be joined
    throw;
  }
  index.WalkOver();
  for (auto& reader : readers) reader->Join();
  int total = 0;
  for (const int count : rows) total += count;
  return total;
}

}  // namespace

Timing BareLoop(const std::string& folder) {
  const std::atomic<bool> neverStopped{false};
  int listed = 0;
  const double cpuStart = ProcessCpuMs();
  const double start = NowMs();
  libinfo::LibraryScan(folder, 1).Run(neverStopped, [&listed](libinfo::LibraryRow&&) { ++listed; });
  return {NowMs() - start, ProcessCpuMs() - cpuStart, listed};
}

Timing SharedIndexLoop(const std::string& folder, int threads) {
  const double cpuStart = ProcessCpuMs();
  const double start = NowMs();
  const int listed = ReadOnThreads(folder, threads);
  return {NowMs() - start, ProcessCpuMs() - cpuStart, listed};
}

Timing BareLoopOf(const std::string& folder, int threads) {
  return threads == 1 ? BareLoop(folder) : SharedIndexLoop(folder, threads);
}

Timing BareLoopOnOwnThread(const std::string& folder, int threads) {
  Timing timing;
  const double start = NowMs();
  JoinedThread walking;
  walking.Start([&timing, &folder, threads] { timing = BareLoopOf(folder, threads); });
  walking.Join();
  timing.wallMs = NowMs() - start;
  return timing;
}

Course BareLoopCourse(const std::string& folder, bool onOwnThread) {
  std::vector<double> stamps;
  const auto read = [&stamps, &folder] {
    const std::atomic<bool> neverStopped{false};
    libinfo::LibraryScan(folder, 1).Run(
        neverStopped, [&stamps](libinfo::LibraryRow&&) { stamps.push_back(NowMs()); });
  };
  Settle();  // the same quiet before each, as in the rounds
  const double start = NowMs();
  if (onOwnThread) {
    JoinedThread reading;
    reading.Start(read);
    reading.Join();
  } else {
    read();
  }
  Course course;
  course.listed = static_cast<int>(stamps.size());
  if (stamps.empty()) return course;
  course.firstRowMs = stamps.front() - start;
  for (size_t row = 1; row < stamps.size(); ++row) {
    const double gap = stamps[row] - stamps[row - 1];
    if (gap >= 20) course.stalls.emplace_back(static_cast<int>(row), gap);
  }
  for (size_t quarter = 0; quarter < 4; ++quarter) {
    const size_t last = std::max<size_t>(1, stamps.size() * (quarter + 1) / 4) - 1;
    course.quarterMs[quarter] = stamps[last] - start;
  }
  return course;
}

}  // namespace bench
