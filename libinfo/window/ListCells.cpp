#include "window/ListCells.h"

#include "CodePage.h"

namespace libinfo {

namespace {

void GiveCellText(const RowStore& rows, LVITEMA& item) noexcept {
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    ::lstrcpynA(item.pszText, rows.Text(item.iItem, item.iSubItem), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = 0;  // the library icon on every row
}

void GiveCellText(const RowStore& rows, LVITEMW& item) noexcept {
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    const int written = ::MultiByteToWideChar(CP_ACP, 0, rows.Text(item.iItem, item.iSubItem), -1,
                                              item.pszText, item.cchTextMax);
    if (written == 0) item.pszText[item.cchTextMax - 1] = L'\0';
  }
  if (item.mask & LVIF_IMAGE) item.iImage = 0;
}

int FindRow(const RowStore& rows, const NMLVFINDITEMA& find) noexcept {
  const LVFINDINFOA& info = find.lvfi;
  if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
  return rows.FindName(info.psz, find.iStart, (info.flags & LVFI_PARTIAL) != 0,
                       (info.flags & LVFI_WRAP) != 0);
}

int FindRow(const RowStore& rows, const NMLVFINDITEMW& find) {
  const LVFINDINFOW& info = find.lvfi;
  if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
  return rows.FindName(AnsiText(info.psz), find.iStart, (info.flags & LVFI_PARTIAL) != 0,
                       (info.flags & LVFI_WRAP) != 0);
}

}  // namespace

bool AnswerListNotification(RowStore& rows, const NMHDR& header, LRESULT& result) {
  switch (header.code) {
    case LVN_GETDISPINFOA:
      GiveCellText(rows,
                   const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header)).item);
      result = 0;
      return true;
    case LVN_GETDISPINFOW:
      GiveCellText(rows,
                   const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item);
      result = 0;
      return true;
    case LVN_ODFINDITEMA:
      result = FindRow(rows, reinterpret_cast<const NMLVFINDITEMA&>(header));
      return true;
    case LVN_ODFINDITEMW:
      result = FindRow(rows, reinterpret_cast<const NMLVFINDITEMW&>(header));
      return true;
    case LVN_ENDLABELEDITA: {
      const LVITEMA& item = reinterpret_cast<const NMLVDISPINFOA&>(header).item;
      result = item.pszText != nullptr;
      if (item.pszText) rows.SetName(item.iItem, item.pszText);
      return true;
    }
    case LVN_ENDLABELEDITW: {
      const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
      result = item.pszText != nullptr;
      if (item.pszText) rows.SetName(item.iItem, AnsiText(item.pszText));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace libinfo
