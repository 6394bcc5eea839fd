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

// A failure's text for the user, held in place: reporting a failure must work
// when memory has run out, which is one of the failures it reports.
struct FailureText {
  char text[512];
};

// The text of the exception being handled, cut to fit; call only inside a
// catch block.
[[nodiscard]] FailureText CurrentExceptionText() noexcept;

// Shows the text in an error box owned by this thread's active window, or by
// `fallbackOwner` when no window of the thread is active.
void ShowFailure(HWND fallbackOwner, const char* text) noexcept;

}  // namespace libinfo
