// The list's side of the rows. The list keeps no texts of its own: it asks
// for them as it paints, for finding a row as the user types, and hands an
// edited name over.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "rows/RowStore.h"

namespace libinfo {

// Answers the list's notification from the rows; false when it is none of
// theirs and the default handling is due.
[[nodiscard]] bool AnswerListNotification(RowStore& rows, const NMHDR& header, LRESULT& result);

}  // namespace libinfo
