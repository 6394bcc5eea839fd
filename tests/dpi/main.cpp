// The DPI tests run once per screen scale, in a prefix set to that scale:
//   dpi_tests.exe --expect-dpi=N [--unaware]
// The program declares itself aware of scales, as a DPI-aware host does,
// before it makes a window; with --unaware it stays unaware, as an old host.
// N is the DPI the windows must be laid out for.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "DpiRun.h"

namespace libinfo::testing {

DpiRun& ThisRun() {
  static DpiRun run;
  return run;
}

}  // namespace libinfo::testing

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
  if (run.aware) ::SetProcessDPIAware();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
