// The committed private memory of this process, summed over its regions: what
// the program itself holds, wherever the platform's usage figures also count
// memory that is not the program's (under a CPU emulator, its translated code).
#pragma once

#include <windows.h>

namespace libinfo::support {

inline SIZE_T CommittedPrivateBytes() noexcept {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const BYTE* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return total;
}

// Whether the scripts run this program through a CPU emulator: the process's
// usage figures are then mostly the emulator's own memory.
inline bool RunsUnderCpuEmulator() noexcept {
  return ::GetEnvironmentVariableA("LIBINFO_CPU_EMULATOR", nullptr, 0) > 0;
}

}  // namespace libinfo::support
