#include "rows/RowText.h"

#include <utility>

namespace libinfo {

namespace {

bool NeedsQuotes(std::string_view text) noexcept {
  return text.find_first_of("\t\r\n") != std::string_view::npos ||
         (!text.empty() && text.front() == '"');
}

void AppendCell(std::string& out, std::string_view text) {
  if (!NeedsQuotes(text)) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string QuotedCell(std::string_view text) {
  std::string quoted;
  AppendCell(quoted, text);
  return quoted;
}

std::string_view TrimTrailingSpaces(std::string_view text) noexcept {
  const auto last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

void RowTextBuilder::Cell(std::string_view text) {
  if (lineStarted_) text_ += '\t';
  lineStarted_ = true;
  AppendCell(text_, text);
}

void RowTextBuilder::EndLine() {
  text_ += "\r\n";
  lineStarted_ = false;
}

std::string RowTextBuilder::Take() noexcept {
  lineStarted_ = false;
  return std::exchange(text_, {});
}

namespace {

void AppendRowCells(RowTextBuilder& text, const RowStore& rows, int row) {
  for (int column = 0; column < RowStore::kColumns; ++column) text.Cell(rows.Text(row, column));
  text.EndLine();
}

}  // namespace

std::string RowLineText(const RowStore& rows, int row) {
  RowTextBuilder text;
  AppendRowCells(text, rows, row);
  return text.Take();
}

std::string TableText(const RowStore& rows, std::span<const char* const> captions) {
  constexpr std::size_t kTypicalLineBytes = 96;
  RowTextBuilder text;
  text.Reserve((static_cast<std::size_t>(rows.Count()) + 1) * kTypicalLineBytes);
  for (const char* caption : captions) text.Cell(TrimTrailingSpaces(caption));
  text.EndLine();
  for (int row = 0; row < rows.Count(); ++row) AppendRowCells(text, rows, row);
  return text.Take();
}

}  // namespace libinfo
