#include "version/VersionLibrary.h"

#include <cstring>

namespace libinfo {
namespace {

INIT_ONCE loadOnce = INIT_ONCE_STATIC_INIT;
VersionFunctions functions;

// The library's own imports are looked for beside it, in the system
// directory, too.
HMODULE LoadFromSystemDirectory() noexcept {
  constexpr char kName[] = "\\version.dll";
  char path[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryA(path, sizeof path);
  if (length == 0 || length + sizeof kName > sizeof path) return nullptr;
  std::memcpy(path + length, kName, sizeof kName);
  return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
void Take(HMODULE module, const char* name, Function& function) noexcept {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

BOOL CALLBACK Load(PINIT_ONCE, PVOID, PVOID*) noexcept {
  HMODULE module = LoadFromSystemDirectory();
  if (!module) return TRUE;  // tried once: no version data for any file
  VersionFunctions found;
  Take(module, "GetFileVersionInfoSizeA", found.infoSize);
  Take(module, "GetFileVersionInfoA", found.info);
  Take(module, "VerQueryValueA", found.queryValue);
  if (found.Loaded()) functions = found;
  return TRUE;
}

}  // namespace

const VersionFunctions& VersionLibrary() noexcept {
  ::InitOnceExecuteOnce(&loadOnce, Load, nullptr, nullptr);
  return functions;
}

}  // namespace libinfo
