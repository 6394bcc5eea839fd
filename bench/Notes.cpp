#include "Notes.h"

#include <cstdio>

namespace bench {
namespace {

std::vector<std::string>& Kept() {
  static std::vector<std::string> faults;
  return faults;
}

}  // namespace

void Note(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void Fault(const std::string& text) {
  Note("FAULT: " + text);
  Kept().push_back(text);
}

const std::vector<std::string>& Faults() {
  return Kept();
}

}  // namespace bench
