// Path helpers shared by the scan and the Properties action.
#pragma once

#include <string>

namespace libinfo {

// Appends ":\" to a lone drive letter and "\" to any other non-empty path
// that does not already end in one.
[[nodiscard]] std::string AddTrailingSeparator(const std::string& folder);

// The folder the library window lists: the Windows system directory, unless
// a test or benchmark has pointed it at a folder of its own.
[[nodiscard]] std::string LibraryDirectory();

// Points LibraryDirectory() elsewhere for its lifetime; not user configuration.
class ScopedLibraryDirectory {
 public:
  explicit ScopedLibraryDirectory(std::string folder);
  ScopedLibraryDirectory(const ScopedLibraryDirectory&) = delete;
  ScopedLibraryDirectory& operator=(const ScopedLibraryDirectory&) = delete;
  ~ScopedLibraryDirectory();

 private:
  std::string previous_;
};

}  // namespace libinfo
