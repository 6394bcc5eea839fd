// The list's context menu: the row it acts on, where it opens, its items.
#pragma once

#include <windows.h>

namespace libinfo {

// The menu's commands, apart from those of the tool bar.
inline constexpr int kMenuProperties = 201;
inline constexpr int kMenuCopy = 202;
inline constexpr int kMenuCopyAll = 203;

// The position WM_CONTEXTMENU carries when the keyboard asked for the menu.
inline constexpr LPARAM kMenuFromKeyboard = -1;

// Opens the menu over `list` for a WM_CONTEXTMENU from `source` (the list or
// its column headers) at `at`, owned by `owner`; the command chosen, or 0.
[[nodiscard]] int TrackRowMenu(HWND owner, HWND list, HWND source, LPARAM at);

}  // namespace libinfo
