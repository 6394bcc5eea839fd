#include "common/GuardPageBuffer.h"

#include <atomic>
#include <cstring>
#include <new>

namespace libinfo::testing {
namespace {

constexpr BYTE kFill = 0xCC;
std::atomic<int> blocksInUse{0};  // the soak reads on several threads

DWORD PageSize() noexcept {
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  return system.dwPageSize;
}

// The block's pages and one inaccessible page after them (or before them):
// the copy ends right at it (or starts right behind it).
BYTE* AllocateGuarded(DWORD size, bool guardFirst) {
  const DWORD page = PageSize();
  const DWORD dataPages = (size + page - 1) / page;
  auto* base = static_cast<BYTE*>(
      ::VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!base) throw std::bad_alloc();
  BYTE* guard = guardFirst ? base : base + dataPages * page;
  DWORD previous = 0;
  if (!::VirtualProtect(guard, page, PAGE_NOACCESS, &previous)) {
    ::VirtualFree(base, 0, MEM_RELEASE);
    throw std::bad_alloc();
  }
  BYTE* block = guardFirst ? guard + page : guard - size;
  std::memset(block, kFill, size);
  ++blocksInUse;
  return block;
}

BYTE* AllocateAgainstGuardPage(DWORD size) {
  return AllocateGuarded(size, false);
}

BYTE* AllocateBehindGuardPage(DWORD size) {
  return AllocateGuarded(size, true);
}

void ReleaseGuarded(BYTE* block) noexcept {
  MEMORY_BASIC_INFORMATION region{};
  if (::VirtualQuery(block, &region, sizeof region) == 0) return;
  ::VirtualFree(region.AllocationBase, 0, MEM_RELEASE);
  --blocksInUse;
}

}  // namespace

const VersionBufferPolicy& GuardPageBuffer() noexcept {
  static constexpr VersionBufferPolicy guarded{AllocateAgainstGuardPage, ReleaseGuarded};
  return guarded;
}

const VersionBufferPolicy& LeadingGuardPageBuffer() noexcept {
  static constexpr VersionBufferPolicy guarded{AllocateBehindGuardPage, ReleaseGuarded};
  return guarded;
}

int GuardPageBlocksInUse() noexcept {
  return blocksInUse;
}

}  // namespace libinfo::testing
