#include "scan/Paths.h"

#include <windows.h>

namespace libinfo {

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string AddTrailingSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\') return folder;
  if (folder.size() == 1 && IsAsciiLetter(folder[0])) return folder + ":\\";
  return folder + "\\";
}

std::string SystemDirectory(SystemDirectoryCall call) {
  char buffer[MAX_PATH + 1] = {};
  const UINT length = call(buffer, sizeof buffer);
  return std::string(buffer, length < sizeof buffer ? length : 0);
}

}  // namespace libinfo
