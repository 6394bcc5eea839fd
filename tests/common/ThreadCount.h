// How many threads this process runs, for checks that none outlives its work.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include "Owned.h"

namespace libinfo::testing {

inline DWORD ThreadsOfThisProcess() {
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  DWORD count = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &thread); more;
       more = ::Thread32Next(snapshot.get(), &thread)) {
    count += thread.th32OwnerProcessID == ::GetCurrentProcessId();
  }
  return count;
}

}  // namespace libinfo::testing
