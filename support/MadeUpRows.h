// Rows without a disk, for the tests and the benchmark: a scan that hands
// out "library<n>.dll" rows as fast as they are taken.
#pragma once

#include "scan/LibraryScan.h"

namespace libinfo::support {

// `count` rows of made-up libraries, each with `texts` as all four texts;
// fewer when the scan is stopped first.
ScanRunner MadeUpRows(int count, const char* texts);

}  // namespace libinfo::support
