#include "Failure.h"

#include <exception>
#include <new>

namespace libinfo {

std::string SystemErrorText(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer ? buffer : "", length);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "unknown error";
  // Some texts are written for a file name to be inserted; none is known here.
  if (const auto insert = text.find("%1"); insert != std::string::npos) {
    text.replace(insert, 2, "the file");
  }
  return text + " (error " + std::to_string(code) + ")";
}

void ThrowLastError(const char* operation) {
  const DWORD code = ::GetLastError();
  throw Failure(std::string(operation) + " failed: " + SystemErrorText(code));
}

namespace {

FailureText TextOf(const char* text) noexcept {
  FailureText failure{};
  ::lstrcpynA(failure.text, text, sizeof failure.text);
  return failure;
}

}  // namespace

FailureText CurrentExceptionText() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return TextOf("There is not enough memory to go on.");
  } catch (const std::exception& e) {
    return TextOf(e.what());
  } catch (...) {
    return TextOf("Unknown failure");
  }
}

void ShowFailure(HWND fallbackOwner, const char* text) noexcept {
  HWND owner = ::GetActiveWindow();
  if (!owner || ::GetWindowThreadProcessId(owner, nullptr) != ::GetCurrentThreadId()) {
    owner = fallbackOwner;
  }
  ::MessageBoxA(owner, text, "Error", MB_OK | MB_ICONERROR);
}

}  // namespace libinfo
