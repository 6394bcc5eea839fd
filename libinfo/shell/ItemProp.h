// Opens the shell's property sheet of a file named by its full path, by
// having the file's context-menu handler carry out the verb "properties".
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace libinfo {

// Where the lookup gets the shell's task allocator and the desktop folder.
// The system's shell answers by default; tests hand in a stand-in.
struct ShellProvider {
  virtual ~ShellProvider() = default;
  [[nodiscard]] virtual HRESULT GetMalloc(IMalloc** allocator) noexcept = 0;
  [[nodiscard]] virtual HRESULT GetDesktopFolder(IShellFolder** desktop) noexcept = 0;
};

[[nodiscard]] ShellProvider& SystemShell() noexcept;

struct ItemPath {
  std::string folder;  // up to and including the last delimiter; may be empty
  std::string name;
};

// Splits at the last "\" or ":" that is a character of its own in the given
// code page: the trail byte of a double-byte character never splits.
[[nodiscard]] ItemPath SplitItemPath(const std::string& path, UINT codePage = CP_ACP);

// True when the file's context-menu handler accepted "properties". A name
// holding "*" or "?" selects every matching entry of its folder at once.
// Shows the busy cursor meanwhile. Out of memory passes on as an exception.
// Under some shells the call returns only once the sheet is closed.
bool ShowItemProperties(const std::string& path, HWND owner);
bool ShowItemProperties(const std::string& path, HWND owner, ShellProvider& shell);

// Invokes "properties" on the items' context-menu handler when their common
// attributes say they have a property sheet.
[[nodiscard]] bool InvokeItemCommand(HWND owner, IShellFolder* folder, LPCITEMIDLIST* ids,
                                     DWORD attributes, int count) noexcept;

}  // namespace libinfo
