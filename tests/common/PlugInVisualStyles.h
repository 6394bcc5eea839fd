// The in-process window tests run twice: as in a host without a manifest,
// and with the shipped plug-in's own activation context active on the test
// thread throughout, as it is during every command the plug-in runs.
#pragma once

#include <windows.h>

#include "Owned.h"

namespace libinfo::testing {

// Set in the environment of the second run.
inline constexpr char kVisualStylesVariable[] = "LIBINFO_TEST_VISUAL_STYLES";

class PlugInVisualStyles {
 public:
  // Activates the context made from the manifest of libinfo.pdl beside the
  // test program when the variable above is set; false if that failed.
  [[nodiscard]] bool ActivateIfAsked() noexcept;
  ~PlugInVisualStyles();
  [[nodiscard]] bool Active() const noexcept { return cookie_ != 0; }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

}  // namespace libinfo::testing
