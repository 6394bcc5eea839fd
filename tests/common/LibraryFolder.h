// A scratch folder that the library window scans instead of the system
// directory: some real libraries, and entries that must not be listed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Owned.h"
#include "scan/Paths.h"

namespace libinfo::testing {

class LibraryFolder {
 public:
  LibraryFolder();
  LibraryFolder(const LibraryFolder&) = delete;
  LibraryFolder& operator=(const LibraryFolder&) = delete;
  ~LibraryFolder();

  [[nodiscard]] const std::string& Path() const { return path_; }
  void CopySystemFile(const std::string& name, const std::string& as = {});
  void WriteFile(const std::string& name, const std::string& content);
  void MakeFolder(const std::string& name, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY);
  // Keeps the file open without sharing until the folder goes away.
  void Lock(const std::string& name);

  // Names the window must list, in the order the folder enumerates them.
  [[nodiscard]] std::vector<std::string> ExpectedRows() const;

 private:
  std::string path_;
  std::vector<std::string> versioned_;
  std::vector<UniqueFile> locks_;
};

// The usual mix: five libraries with version data, plus a text file, an
// empty file, a file that is not an executable, a plain sub-folder, a hidden
// sub-folder and a locked library.
void FillWithTypicalEntries(LibraryFolder& folder);

// Copies of the first libraries of the system directory, up to count.
void FillWithLibraries(LibraryFolder& folder, int count);

}  // namespace libinfo::testing
