#include "Console.h"

#include <windows.h>

#include "Owned.h"

namespace plughost {
namespace {

// Started from a console without redirection, a GUI program has no standard
// handles; it borrows the parent's console then, so --describe still shows.
HANDLE ParentConsole() noexcept {
  static const libinfo::UniqueFile console = [] {
    if (!::AttachConsole(ATTACH_PARENT_PROCESS) && ::GetLastError() != ERROR_ACCESS_DENIED) {
      return libinfo::UniqueFile();
    }
    return libinfo::UniqueFile(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
  }();
  return console.get();
}

HANDLE StandardHandle(DWORD which) noexcept {
  HANDLE handle = ::GetStdHandle(which);
  if (handle && handle != INVALID_HANDLE_VALUE) return handle;
  return ParentConsole();
}

void WriteAll(HANDLE handle, std::string_view text) noexcept {
  if (!handle || handle == INVALID_HANDLE_VALUE) return;
  while (!text.empty()) {
    DWORD written = 0;
    if (!::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written == 0) {
      return;
    }
    text.remove_prefix(written);
  }
}

}  // namespace

void WriteOut(std::string_view text) noexcept {
  WriteAll(StandardHandle(STD_OUTPUT_HANDLE), text);
}

void WriteErr(std::string_view text) noexcept {
  WriteAll(StandardHandle(STD_ERROR_HANDLE), text);
}

}  // namespace plughost
