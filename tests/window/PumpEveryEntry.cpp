// The scans of these tests handle waiting messages after every directory
// entry, so that an action taken after the n-th listed file takes effect
// right there; the one test of the default interval sets it itself.
#include <gtest/gtest.h>

#include <memory>

#include "window/SysLibMain.h"

namespace {

class PumpEveryEntry : public ::testing::Environment {
 public:
  void SetUp() override {
    scope_ = std::make_unique<libinfo::ScopedScanPumpInterval>(std::chrono::milliseconds(0));
  }
  void TearDown() override { scope_.reset(); }

 private:
  std::unique_ptr<libinfo::ScopedScanPumpInterval> scope_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new PumpEveryEntry);

}  // namespace
