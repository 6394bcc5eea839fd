#include "CopyRows.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Measure.h"
#include "window/SysLibMain.h"

namespace bench {
namespace {

// Rows as long as a typical listed file's, without a scan: the window is
// never shown, so it never starts one.
void Fill(libinfo::TSysLibInfoWin& window, int rows) {
  ::SendMessageA(window.lvLibList, WM_SETREDRAW, FALSE, 0);
  for (int row = 0; row < rows; ++row) {
    std::string name = "library" + std::to_string(row) + ".dll";
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = name.data();
    ListView_InsertItem(window.lvLibList, &item);
    for (int column = 1; column <= 4; ++column) {
      ListView_SetItemText(window.lvLibList, row, column, const_cast<char*>("Wine 10.0.19041.1"));
    }
  }
}

}  // namespace

void PrintCopyRowsCost(int rows, int runs) {
  libinfo::TSysLibInfoWin window;
  Fill(window, rows);
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
