// A lock for the scan's threads and the window thread that holds nothing to
// release; with the platform's condition variables, nothing at all. The runtime's std::mutex, as
// built with this toolchain, allocates a block on its first use and an event on its first
// contention and frees neither when it goes, so every contended scan would leave a handle behind.
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

  // Held by the caller: released while waiting for `condition` to be
  // signalled, held again on return.
  void Wait(CONDITION_VARIABLE& condition) noexcept {
    ::SleepConditionVariableSRW(&condition, &lock_, INFINITE, 0);
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace libinfo
