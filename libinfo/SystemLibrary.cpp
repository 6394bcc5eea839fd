#include "SystemLibrary.h"

#include <cstring>

namespace libinfo {

HMODULE LoadSystemLibrary(const char* name) noexcept {
  char path[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryA(path, sizeof path);
  const size_t nameLength = std::strlen(name);
  if (length == 0 || length + 1 + nameLength + 1 > sizeof path) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, name, nameLength + 1);
  return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace libinfo
