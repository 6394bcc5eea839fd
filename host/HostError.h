// A failure of the host while loading or driving a plug-in: it carries the
// text shown to the user and ends the program with a non-zero exit code.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace plughost {

class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's text for an error code, with the code itself for searching.
std::string SystemErrorText(DWORD code);

}  // namespace plughost
