// Reading threads with a disk of the test's choosing, for what a real folder
// cannot be made to do on cue: read slowly, hold still at a given file until
// Stop is seen, or fail as a whole.
#pragma once

#include <windows.h>

#include "MadeUpRows.h"
#include "scan/LibraryScan.h"

namespace libinfo::testing {

// Each listed file takes `msPerRow` longer to hand on, as on a slow disk;
// with `readers` readers where given, else as many as the window's scan.
ScanRunner SlowReading(DWORD msPerRow, int readers = 0);

// After the n-th listed file the reading waits until the scan is stopped
// (at most a few seconds), so Stop lands exactly after that file.
ScanRunner HoldAfter(int rows);

// After the n-th listed file the reading thread fails as a whole.
ScanRunner FailAfter(int rows, const char* reason);

using support::MadeUpRows;

}  // namespace libinfo::testing
