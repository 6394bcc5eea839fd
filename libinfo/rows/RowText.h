// Rows of the library list as plain text: cells separated by tabs, each line
// ending in CR LF, the layout spreadsheets paste cell by cell.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "rows/RowStore.h"

namespace libinfo {

// The cell as a spreadsheet reads it back unchanged. A text holding a tab or
// a line break would spill into further cells or lines, and one starting
// with a double quote would lose its quotes: those go in double quotes with
// their own quotes doubled. Any other text stays as it is.
[[nodiscard]] std::string QuotedCell(std::string_view text);

// A caption without the trailing spaces it carries for its looks.
[[nodiscard]] std::string_view TrimTrailingSpaces(std::string_view text) noexcept;

// Builds the text cell by cell and line by line, in one growing string.
class RowTextBuilder {
 public:
  void Reserve(std::size_t bytes) { text_.reserve(bytes); }
  void Cell(std::string_view text);
  void EndLine();
  // Hands the text over; the builder starts empty again.
  [[nodiscard]] std::string Take() noexcept;

 private:
  std::string text_;
  bool lineStarted_ = false;
};

// One row's cells as one line.
[[nodiscard]] std::string RowLineText(const RowStore& rows, int row);

// The captions (without their trailing spaces) as the first line, then
// every row in order.
[[nodiscard]] std::string TableText(const RowStore& rows, std::span<const char* const> captions);

}  // namespace libinfo
