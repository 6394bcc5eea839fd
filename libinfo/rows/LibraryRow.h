// One row of the library list: what the list shows of one file.
#pragma once

#include <string>

namespace libinfo {

// The file's name and the version reader's four answers.
struct LibraryRow {
  std::string name;
  std::string description;
  std::string product;
  std::string fileVersion;
  std::string productVersion;
};

}  // namespace libinfo
