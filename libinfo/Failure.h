// Failures inside the library are exceptions carrying a text for the user.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace libinfo {

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's text for an error code, without the trailing line break.
std::string SystemErrorText(DWORD code);

// Throws a Failure naming the operation and the thread's last error.
[[noreturn]] void ThrowLastError(const char* operation);

// The text of the exception being handled; call only inside a catch block.
std::string CurrentExceptionText() noexcept;

}  // namespace libinfo
