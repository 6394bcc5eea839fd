// The DPI tests run once per screen scale, in a prefix set to that scale:
//   dpi_tests.exe --expect-dpi=N [--unaware]
// The program declares itself aware of scales, as a DPI-aware host does,
// before it makes a window; with --unaware it is unaware, as an old host.
// N is the DPI the windows must be laid out for.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DpiRun.h"
#include "common/PlugInVisualStyles.h"

namespace libinfo::testing {

DpiRun& ThisRun() {
  static DpiRun run;
  return run;
}

}  // namespace libinfo::testing

namespace {

// Programs here start aware of scales unless their manifest says otherwise:
// the thread that makes the windows is made unaware instead, as an old
// host's would be.
bool BecomeUnaware() {
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
  const auto unaware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));
  return set && set(unaware) != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  auto& run = libinfo::testing::ThisRun();
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--expect-dpi=", 13) == 0) run.layoutDpi = std::atoi(argv[i] + 13);
    if (std::strcmp(argv[i], "--unaware") == 0) run.aware = false;
  }
  if (run.layoutDpi <= 0) {
    std::fprintf(stderr, "dpi_tests: --expect-dpi=N is needed\n");
    return 2;
  }
  if (run.aware) {
    ::SetProcessDPIAware();
  } else if (!BecomeUnaware()) {
    std::fprintf(stderr, "dpi_tests: this thread cannot be made unaware of scales\n");
    return 2;
  }
  libinfo::testing::PlugInVisualStyles styles;
  if (!styles.ActivateIfAsked()) {
    std::fprintf(stderr, "dpi_tests: the plug-in's visual styles could not be activated\n");
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
