// Many runs of the library window in one process, as a host that keeps the
// plug-in for a whole session would make them: nothing may pile up.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Helpers.h"
#include "PlugInModule.h"
#include "common/LibraryFolder.h"
#include "common/ProgramThreads.h"

namespace libinfo::testing {
namespace {

constexpr int kWarmUpRuns = 20;
constexpr int kCountedRuns = 180;
constexpr int kLoadCycles = 200;
// Handles and GUI objects come and go inside the platform (caches, its own
// threads); a leak of one per run would stand far above this.
constexpr long kObjectNoise = 12;
constexpr long long kMemoryNoise = 768 * 1024;

class HostWindow {
 public:
  HostWindow()
      : window_(::CreateWindowExA(0, "STATIC", "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                  10, 300, 200, nullptr, nullptr, nullptr, nullptr)) {}
  [[nodiscard]] HWND get() const { return window_.get(); }

 private:
  UniqueWindow window_;
};

void Print(const char* when, const ProcessResources& r) {
  std::printf(
      "[ %-8s ] handles %lu, threads %lu (%lu the program's), GDI %lu, USER %lu, windows %lu, "
      "private %lu KB, committed %lu KB\n",
      when, r.handles, r.threads, static_cast<unsigned long>(r.programThreads.size()), r.gdiObjects,
      r.userObjects, r.windows, static_cast<unsigned long>(r.privateBytes / 1024),
      static_cast<unsigned long>(r.committedPrivate / 1024));
}

long long Growth(SIZE_T before, SIZE_T after) {
  return static_cast<long long>(after) - static_cast<long long>(before);
}

void ExpectFlat(const ProcessResources& before, const ProcessResources& after) {
  EXPECT_LE(Growth(before.handles, after.handles), kObjectNoise) << NewHandles(before, after);
  EXPECT_EQ(before.windows, after.windows);
  // The platform's own threads come and go as it pleases; only threads that
  // run the program's or the plug-in's code must all be gone.
  const std::string left = DescribeNewThreads(before.programThreads, after.programThreads);
  EXPECT_TRUE(left.empty()) << "a reading thread outlived its scan:" << left;
  // Counted only where the platform counts them at all.
  if (before.gdiObjects) {
    EXPECT_LE(Growth(before.gdiObjects, after.gdiObjects), kObjectNoise);
  }
  if (before.userObjects) {
    EXPECT_LE(Growth(before.userObjects, after.userObjects), kObjectNoise);
  }
  if (before.privateBytes) {
    EXPECT_LE(Growth(before.privateBytes, after.privateBytes), kMemoryNoise);
  }
  EXPECT_LE(Growth(before.committedPrivate, after.committedPrivate), kMemoryNoise);
}

TEST(Leaks, RunsThroughTheCommandProcedureLeaveTheProcessAsTheyFoundIt) {
  LibraryFolder folder;
  for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
    ASSERT_TRUE(::CopyFileA(kTemplateFixture, (folder.Path() + "\\" + name).c_str(), FALSE));
  }
  folder.WriteFile("notes.txt", "no version here");
  const HostWindow host;
  LibraryWindowCloser closer;
  const auto run = [&](int n) {
    closer.Reset();
    EXPECT_EQ(0u, RunLibraryCommand(host.get(), folder.Path().c_str()));
    const auto& seen = closer.Last();
    ASSERT_TRUE(seen.shown && !seen.forced) << "run " << n << ": " << seen.error;
    ASSERT_EQ(3, seen.rows) << "run " << n;
  };
  for (int n = 0; n < kWarmUpRuns; ++n) ASSERT_NO_FATAL_FAILURE(run(n));
  const ProcessResources before = MeasureResources();
  for (int n = 0; n < kCountedRuns; ++n) ASSERT_NO_FATAL_FAILURE(run(kWarmUpRuns + n));
  const ProcessResources after = MeasureResources();
  Print("before", before);
  Print("after", after);
  ExpectFlat(before, after);
}

// The plug-in's window classes go with its last window, so a new copy of
// the module at a new or the same address can register them again.
void ExpectNoClassesLeft(HMODULE module) {
  for (const char* name : {"LibInfoSysLibWin", "LibInfoProgressDlg", "LibInfoPanel"}) {
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    EXPECT_FALSE(::GetClassInfoExA(module, name, &cls)) << name << " still registered";
  }
}

void LoadRunUnload(const HostWindow& host, LibraryWindowCloser& closer) {
  PlugInModule plugIn;
  ASSERT_TRUE(plugIn.Loaded()) << PlugInModule::Path();
  const CommandProc run = plugIn.Command(kCommandRun);
  ASSERT_NE(nullptr, run);
  closer.Reset();
  EXPECT_EQ(0u, run(0, host.get()));
  const auto& seen = closer.Last();
  ASSERT_TRUE(seen.shown && !seen.forced) << seen.error;
  ASSERT_GE(seen.rows, 1);
  EXPECT_EQ(host.get(), seen.owner);
  ExpectNoClassesLeft(plugIn.Handle());
  plugIn.Unload();
  ASSERT_EQ(nullptr, ::GetModuleHandleA("libinfo.pdl")) << "the module stayed loaded";
}

// A host that loads plug-ins on demand does so for as long as it runs. The
// runtime linked into the plug-in keeps a thread handle, an event and some
// memory per thread and per load; unloading must hand those back too, so no
// handle may pile up even at a fraction of one per cycle.
TEST(Leaks, LoadRunUnloadCyclesOfThePlugInKeepWorking) {
  const HostWindow host;
  LibraryWindowCloser closer(LibraryWindowCloser::Scan::StopEarly);
  constexpr int kWarmUp = 5;
  for (int n = 0; n < kWarmUp; ++n) ASSERT_NO_FATAL_FAILURE(LoadRunUnload(host, closer)) << n;
  const ProcessResources before = MeasureResources();
  for (int n = 0; n < kLoadCycles; ++n) {
    ASSERT_NO_FATAL_FAILURE(LoadRunUnload(host, closer)) << "cycle " << n;
  }
  const ProcessResources after = MeasureResources();
  EXPECT_GE(closer.Last().rows, 1) << "the last run still lists";
  Print("before", before);
  Print("after", after);
  EXPECT_EQ(before.handles, after.handles)
      << "handles left by " << kLoadCycles << " cycles:" << NewHandles(before, after);
  ExpectFlat(before, after);
}

// Loading and unloading alone, as a host that only lists its plug-ins does:
// nothing at all may stay (a load used to keep the runtime's 70 KB buffer).
TEST(Leaks, LoadUnloadCyclesLeaveNothing) {
  for (int n = 0; n < 5; ++n) ASSERT_NE(nullptr, PlugInModule().Command(kCommandRun));
  const ProcessResources before = MeasureResources();
  for (int n = 0; n < kLoadCycles; ++n) ASSERT_NE(nullptr, PlugInModule().Command(kCommandRun));
  const ProcessResources after = MeasureResources();
  Print("before", before);
  Print("after", after);
  EXPECT_EQ(before.handles, after.handles) << NewHandles(before, after);
  constexpr long long kLoaderNoise = 64 * 1024;
  if (before.privateBytes) {
    EXPECT_LE(Growth(before.privateBytes, after.privateBytes), kLoaderNoise);
  }
  EXPECT_LE(Growth(before.committedPrivate, after.committedPrivate), kLoaderNoise);
}

}  // namespace
}  // namespace libinfo::testing
