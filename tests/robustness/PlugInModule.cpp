#include "PlugInModule.h"

namespace libinfo::testing {

std::string PlugInModule::Path() {
  char self[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path(self, length);
  return path.substr(0, path.find_last_of('\\') + 1) + "libinfo.pdl";
}

PlugInModule::PlugInModule() : module_(::LoadLibraryA(Path().c_str())) {
  if (!module_) return;
  init_ = reinterpret_cast<decltype(init_)>(
      reinterpret_cast<void*>(::GetProcAddress(module_.get(), "InitPlugInLib")));
  if (!init_) module_.reset();
}

CommandProc PlugInModule::Command(std::uint32_t kind) const {
  PlugInLibRecord record{};
  Init(record);
  PlugInItemRecord item{};
  if (!record.itemQuery || record.itemQuery(1, &item) != kItemFilled || !item.commandQuery) {
    return nullptr;
  }
  return item.commandQuery(kind);
}

}  // namespace libinfo::testing
