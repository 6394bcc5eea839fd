#include "window/RowMenu.h"

#include <commctrl.h>
#include <windowsx.h>

#include "Failure.h"
#include "Owned.h"

namespace libinfo {

namespace {

// Both coordinates -1, whether or not the upper half of the word is set.
bool FromKeyboard(LPARAM at) noexcept {
  return GET_X_LPARAM(at) == -1 && GET_Y_LPARAM(at) == -1;
}

int SelectedRow(HWND list) noexcept {
  return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

UniqueMenu CreateRowMenu(bool rowSelected) {
  UniqueMenu menu(::CreatePopupMenu());
  if (!menu) ThrowLastError("CreatePopupMenu");
  const UINT rowItem = MF_STRING | (rowSelected ? MF_ENABLED : MF_GRAYED);
  const bool built =
      ::AppendMenuA(menu.get(), rowItem, kMenuProperties, "&Properties\tAlt+Enter") &&
      ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr) &&
      ::AppendMenuA(menu.get(), rowItem, kMenuCopy, "&Copy\tCtrl+C") &&
      ::AppendMenuA(menu.get(), MF_STRING, kMenuCopyAll, "Copy &all rows") &&
      ::SetMenuDefaultItem(menu.get(), kMenuProperties, FALSE);
  if (!built) ThrowLastError("AppendMenu");
  return menu;
}

// The menu acts on the selected row, so a right-click selects the row under
// it, or none when it hits no row.
void SelectRowAt(HWND list, POINT screenPoint) noexcept {
  LVHITTESTINFO hit{};
  hit.pt = screenPoint;
  ::ScreenToClient(list, &hit.pt);
  const int row = ListView_SubItemHitTest(list, &hit);
  if (row < 0) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    return;
  }
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Just below the selected row's caption, or below the column headers when no
// row is selected.
POINT SelectedRowMenuPoint(HWND list) noexcept {
  POINT at{};
  RECT header{};
  if (::GetWindowRect(ListView_GetHeader(list), &header)) at.y = header.bottom - header.top;
  const int selected = SelectedRow(list);
  RECT caption{};
  if (selected >= 0 && ListView_EnsureVisible(list, selected, FALSE) &&
      ListView_GetItemRect(list, selected, &caption, LVIR_LABEL)) {
    at = {caption.left, caption.bottom};
  }
  ::ClientToScreen(list, &at);
  return at;
}

}  // namespace

int TrackRowMenu(HWND owner, HWND list, HWND source, LPARAM at) {
  POINT point{};
  if (FromKeyboard(at)) {
    point = SelectedRowMenuPoint(list);
  } else {
    point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    // A click on the column headers leaves the selection as it is.
    if (source == list) SelectRowAt(list, point);
  }
  const UniqueMenu menu = CreateRowMenu(SelectedRow(list) >= 0);
  return static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x,
                                           point.y, 0, owner, nullptr));
}

}  // namespace libinfo
