#include "Failure.h"

#include <exception>

namespace libinfo {

std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length ? std::string(text, length) : "error " + std::to_string(code);
  if (text) ::LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result;
}

void ThrowLastError(const char* operation) {
  const DWORD code = ::GetLastError();
  throw Failure(std::string(operation) + " failed: " + SystemErrorText(code));
}

std::string CurrentExceptionText() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown failure";
  }
}

}  // namespace libinfo
