// Small helpers shared by the version tests.
#pragma once

#include <string>

#include "RawVersionBlob.h"
#include "version/VerInfo.h"

namespace libinfo::testing {

inline VersionAnswers AnswersOf(const TVersionInfo& reader) {
  return {reader.FileDescription(), reader.ProductName(), reader.FileVersion(),
          reader.ProductVersion()};
}

// Fixture files are built next to the test programs, which run in that directory.
inline std::string FixturePath(const std::string& name) {
  return "fixtures\\" + name;
}

}  // namespace libinfo::testing
