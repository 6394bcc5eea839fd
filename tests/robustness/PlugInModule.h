// The shipped plug-in loaded as a host loads it, reached only through its
// one export and the records it fills.
#pragma once

#include <windows.h>

#include <string>

#include "Owned.h"
#include "plugin/PlugIntf.h"

namespace libinfo::testing {

class PlugInModule {
 public:
  PlugInModule();  // the test fails through Loaded() when this fails

  [[nodiscard]] bool Loaded() const { return static_cast<bool>(module_); }
  [[nodiscard]] HMODULE Handle() const { return module_.get(); }
  void Init(PlugInLibRecord& record) const { init_(&record); }
  // Through InitPlugInLib and item 1, as the host finds it.
  [[nodiscard]] CommandProc Command(std::uint32_t kind) const;
  void Unload() { module_.reset(); }

  // The module's file, next to the test program.
  static std::string Path();

 private:
  UniqueModule module_;
  void(__stdcall* init_)(PlugInLibRecord*) = nullptr;
};

// An address inside a module, kept as its distance from the module's base so
// that it can be found again in a later load.
inline std::uintptr_t OffsetIn(HMODULE module, const void* address) {
  return reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module);
}
template <typename T>
T AtOffset(HMODULE module, std::uintptr_t offset) {
  return reinterpret_cast<T>(reinterpret_cast<std::uintptr_t>(module) + offset);
}

}  // namespace libinfo::testing
