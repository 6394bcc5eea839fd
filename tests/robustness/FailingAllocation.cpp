#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool failing = false;
thread_local int refused = 0;

void* Allocate(std::size_t size) {
  if (failing) {
    ++refused;
    throw std::bad_alloc();
  }
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}

}  // namespace

// The whole program's allocator, so that the plug-in's code linked into it
// runs out of memory too.
void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace libinfo::testing {

FailingAllocation::FailingAllocation() noexcept {
  failing = true;
  refused = 0;
}

FailingAllocation::~FailingAllocation() {
  failing = false;
}

int FailingAllocation::Refused() noexcept {
  return refused;
}

}  // namespace libinfo::testing
