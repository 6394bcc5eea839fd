// Memory running out on cue: while armed on a thread, every allocation
// through operator new on that thread fails with std::bad_alloc. Other
// threads allocate as usual.
#pragma once

namespace libinfo::testing {

class FailingAllocation {
 public:
  FailingAllocation() noexcept;
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;
  ~FailingAllocation();
  // Allocations refused since arming.
  [[nodiscard]] static int Refused() noexcept;
};

}  // namespace libinfo::testing
