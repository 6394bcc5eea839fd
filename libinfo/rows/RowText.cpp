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

}  // namespace libinfo
