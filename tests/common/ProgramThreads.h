// The threads of this process that run the program's own code, the plug-in's
// included, for checks that none outlives its work. The platform starts
// helper threads of its own and ends them when it pleases (a thread pool's
// workers, the shell's and COM's threads), so a plain count of the process's
// threads moves without any fault of ours; those threads begin in the
// platform's libraries, ours in the program, in the plug-in or in the C
// runtime's thread start.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Owned.h"

namespace libinfo::testing {

// The address the thread was started at: null where the platform does not
// say.
inline const void* StartAddressOf(HANDLE thread) {
  using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
  constexpr int kThreadQuerySetWin32StartAddress = 9;
  void* start = nullptr;
  if (!query ||
      query(thread, kThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) < 0) {
    return nullptr;
  }
  return start;
}

inline UniqueHandle OpenThreadToQuery(DWORD threadId) {
  return UniqueHandle(::OpenThread(THREAD_QUERY_INFORMATION | SYNCHRONIZE, FALSE, threadId));
}

// The loaded module that holds the address, if any.
inline HMODULE ModuleHolding(const void* address) {
  HMODULE module = nullptr;
  if (!address || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<const char*>(address), &module)) {
    return nullptr;
  }
  return module;
}

// Where threads started through the C runtime begin: the runtime's own thread
// start, in its library. The plug-in's reading thread is one (std::thread),
// and so are the tests' own threads.
inline HMODULE RuntimeThreadStart() {
  static const HMODULE module = [] {
    HMODULE found = nullptr;
    std::thread probe([&found] { found = ModuleHolding(StartAddressOf(::GetCurrentThread())); });
    probe.join();
    return found;
  }();
  return module;
}

// Whether the module is one of the platform's own, which all live in the
// Windows folder.
inline bool IsPlatformModule(HMODULE module) {
  char windows[MAX_PATH] = {};
  char path[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryA(windows, sizeof windows);
  if (!length || length >= sizeof windows || !::GetModuleFileNameA(module, path, sizeof path)) {
    return false;
  }
  return _strnicmp(path, windows, length) == 0 &&
         (path[length] == '\\' || path[length - 1] == '\\');
}

// Whether the thread runs the program's code rather than the platform's: it
// began in the C runtime's thread start, outside the platform's libraries
// (in the program or in a module it loaded, such as the plug-in), or in no
// module at all (code unloaded while its thread still runs). Where the
// platform does not say where it began, it counts as the program's.
inline bool IsProgramThread(HANDLE thread) {
  const HMODULE module = ModuleHolding(StartAddressOf(thread));
  return !module || module == RuntimeThreadStart() || !IsPlatformModule(module);
}

// The ids of this process's threads, in the order the platform lists them.
inline std::vector<DWORD> ThreadsOfThisProcess() {
  std::vector<DWORD> ids;
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = ::Thread32First(snapshot.get(), &thread); more;
       more = ::Thread32Next(snapshot.get(), &thread)) {
    if (thread.th32OwnerProcessID == ::GetCurrentProcessId()) ids.push_back(thread.th32ThreadID);
  }
  return ids;
}

// Where a thread began, for reports: the address and the module holding it.
inline std::string StartOf(HANDLE thread) {
  const void* start = StartAddressOf(thread);
  char module[MAX_PATH] = "no module";
  if (const HMODULE holder = ModuleHolding(start)) {
    ::GetModuleFileNameA(holder, module, sizeof module);
  }
  char text[MAX_PATH + 40];
  std::snprintf(text, sizeof text, "started at %p in %s", start, module);
  return text;
}

// The running threads that run the program's code, the plug-in's included:
// each id with where it began, noted while it runs.
using ThreadList = std::map<DWORD, std::string>;

inline ThreadList ProgramThreads() {
  RuntimeThreadStart();  // its probe thread is gone before the threads are listed
  ThreadList ours;
  for (const DWORD id : ThreadsOfThisProcess()) {
    const UniqueHandle thread = OpenThreadToQuery(id);
    // A thread that ended since the listing is none of anyone's any more.
    if (!thread || ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0) continue;
    if (IsProgramThread(thread.get())) ours.emplace(id, StartOf(thread.get()));
  }
  return ours;
}

// The threads in `after` but not in `before`: what a report of a thread left
// behind needs.
inline std::string DescribeNewThreads(const ThreadList& before, const ThreadList& after) {
  std::string report;
  for (const auto& [id, start] : after) {
    if (before.count(id)) continue;
    report += "\n  thread " + std::to_string(id) + ", " + start;
  }
  return report;
}

}  // namespace libinfo::testing
