// A lock for the reading thread and the window thread that holds nothing to
// release. The runtime's std::mutex, as built with this toolchain, allocates
// a block on its first use and an event on its first contention and frees
// neither when it goes, so every contended scan would leave a handle behind.
#pragma once

#include <windows.h>

namespace libinfo {

class SlimLock {
 public:
  SlimLock() noexcept = default;
  SlimLock(const SlimLock&) = delete;
  SlimLock& operator=(const SlimLock&) = delete;

  // The names std::lock_guard expects.
  void lock() noexcept { ::AcquireSRWLockExclusive(&lock_); }
  void unlock() noexcept { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace libinfo
