#include "window/Paths.h"

#include <windows.h>

#include <utility>

namespace libinfo {

namespace {

std::string& DirectoryOverride() {
  static std::string folder;
  return folder;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string AddTrailingSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\') return folder;
  if (folder.size() == 1 && IsAsciiLetter(folder[0])) return folder + ":\\";
  return folder + "\\";
}

std::string LibraryDirectory() {
  if (!DirectoryOverride().empty()) return DirectoryOverride();
  char buffer[MAX_PATH + 1] = {};
  ::GetSystemDirectoryA(buffer, sizeof buffer);
  return buffer;
}

ScopedLibraryDirectory::ScopedLibraryDirectory(std::string folder)
    : previous_(std::exchange(DirectoryOverride(), std::move(folder))) {}

ScopedLibraryDirectory::~ScopedLibraryDirectory() {
  DirectoryOverride() = std::move(previous_);
}

}  // namespace libinfo
