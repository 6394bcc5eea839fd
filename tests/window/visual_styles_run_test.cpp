// Which common controls this run of the window tests has: version 6 when it
// was asked for, and then for every test of the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "Owned.h"

#include "common/ControlModule.h"
#include "common/PlugInVisualStyles.h"

namespace libinfo::testing {
namespace {

class VisualStylesRun : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!styles_.ActivateIfAsked()) {
      std::fprintf(stderr, "the plug-in's visual styles could not be activated\n");
      std::exit(2);
    }
  }

  static bool Asked() { return std::getenv(kVisualStylesVariable) != nullptr; }

 private:
  PlugInVisualStyles styles_;
};

[[maybe_unused]] auto* const run = ::testing::AddGlobalTestEnvironment(new VisualStylesRun);

TEST(VisualStylesRun, StandardControlsComeFromTheVersionAskedFor) {
  const UniqueWindow button(
      CreateWindowExA(0, "BUTTON", "probe", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(VisualStylesRun::Asked() ? "comctl32.dll" : "user32.dll",
            testing_windows::ControlModule(button.get()));
}

}  // namespace
}  // namespace libinfo::testing
