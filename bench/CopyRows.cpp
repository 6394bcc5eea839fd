#include "CopyRows.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "MadeUpRows.h"
#include "Measure.h"
#include "scan/LibraryScan.h"
#include "window/SysLibMain.h"

namespace bench {

void PrintCopyRowsCost(int rows, int runs) {
  // Rows as long as a typical listed file's, without touching the disk, so
  // that the copy alone is timed.
  libinfo::TSysLibInfoWin window("C:\\", libinfo::support::MadeUpRows(rows, "Wine 10.0.19041.1"));
  window.ScanStarted = true;
  window.Show();
  window.tbRefreshClick();
  Settle();
  if (window.RowCount() != rows) {
    throw std::runtime_error(Format("the list took %d of %d rows", window.RowCount(), rows));
  }
  std::vector<double> samples;
  for (int run = 0; run < runs; ++run) {
    const double start = NowMs();
    window.miCopyAllClick();
    samples.push_back(NowMs() - start);
  }
  std::printf("- Copy all rows of %d rows: %.0f ms (median of %d; %.0f to %.0f ms)\n", rows,
              Median(samples), runs, *std::min_element(samples.begin(), samples.end()),
              Maximum(samples));
}

}  // namespace bench
