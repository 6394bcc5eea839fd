// The shell namespace needs OLE on the calling thread; the plug-in gets it
// from its window entry, the tests from here.
#include <gtest/gtest.h>
#include <ole2.h>

namespace {

class OleEnvironment : public testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
  void TearDown() override { ::OleUninitialize(); }
};

[[maybe_unused]] testing::Environment* const ole =
    testing::AddGlobalTestEnvironment(new OleEnvironment);

}  // namespace
