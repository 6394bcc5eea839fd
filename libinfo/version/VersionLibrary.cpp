#include "version/VersionLibrary.h"

#include "SystemLibrary.h"

namespace libinfo {
namespace {

INIT_ONCE loadOnce = INIT_ONCE_STATIC_INIT;
VersionFunctions functions;

BOOL CALLBACK Load(PINIT_ONCE, PVOID, PVOID*) noexcept {
  HMODULE module = LoadSystemLibrary("version.dll");
  if (!module) return TRUE;  // tried once: no version data for any file
  VersionFunctions found;
  found.infoSize = FunctionOf<decltype(found.infoSize)>(module, "GetFileVersionInfoSizeA");
  found.info = FunctionOf<decltype(found.info)>(module, "GetFileVersionInfoA");
  found.queryValue = FunctionOf<decltype(found.queryValue)>(module, "VerQueryValueA");
  if (found.Loaded()) functions = found;
  return TRUE;
}

}  // namespace

const VersionFunctions& VersionLibrary() noexcept {
  ::InitOnceExecuteOnce(&loadOnce, Load, nullptr, nullptr);
  return functions;
}

}  // namespace libinfo
