// How this run of the DPI tests was started.
#pragma once

namespace libinfo::testing {

struct DpiRun {
  int layoutDpi = 0;  // the DPI the windows must be laid out for
  bool aware = true;  // whether the process declared itself aware of scales
};

DpiRun& ThisRun();

}  // namespace libinfo::testing
