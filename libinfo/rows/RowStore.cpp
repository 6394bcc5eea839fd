#include "rows/RowStore.h"

#include <windows.h>

#include <cstring>
#include <functional>

namespace libinfo {

RowStore::RecentTexts RowStore::EmptyRecent() noexcept {
  RecentTexts empty;
  empty.fill(kNoText);
  return empty;
}

void RowStore::Clear() noexcept {
  texts_.clear();
  rows_.clear();
  recent_ = EmptyRecent();
}

std::uint32_t RowStore::Put(std::string_view text) {
  // A text ends at its first zero, as the list would show it.
  text = text.substr(0, text.find('\0'));
  const auto offset = static_cast<std::uint32_t>(texts_.size());
  texts_.insert(texts_.end(), text.begin(), text.end());
  texts_.push_back('\0');
  return offset;
}

bool RowStore::Holds(std::uint32_t offset, std::string_view text) const noexcept {
  if (offset == kNoText || offset >= texts_.size() || texts_.size() - offset <= text.size()) {
    return false;
  }
  return texts_[offset + text.size()] == '\0' &&
         std::memcmp(texts_.data() + offset, text.data(), text.size()) == 0;
}

std::uint32_t RowStore::PutShared(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::uint32_t& slot = recent_[std::hash<std::string_view>{}(text) % kRecentTexts];
  if (Holds(slot, text)) return slot;
  const std::uint32_t offset = Put(text);
  slot = offset;
  return offset;
}

void RowStore::Append(const LibraryRow& row) {
  const std::size_t textsBefore = texts_.size();
  try {
    // Names are the row's own (and editable); the other texts may be shared.
    rows_.push_back({Put(row.name), PutShared(row.description), PutShared(row.product),
                     PutShared(row.fileVersion), PutShared(row.productVersion)});
  } catch (...) {
    texts_.resize(textsBefore);  // no half row
    throw;
  }
}

void RowStore::KeepFirst(int count) noexcept {
  // Their texts stay in the block until the store is cleared: a few rows'
  // worth at most, and another row may share them.
  if (count >= 0 && count < Count()) rows_.resize(static_cast<std::size_t>(count));
}

void RowStore::Compact() noexcept {
  try {
    texts_.shrink_to_fit();
    rows_.shrink_to_fit();
  } catch (...) {
    // Without memory for the tighter copy the rows simply keep their room.
  }
}

const char* RowStore::Text(int row, int column) const noexcept {
  if (row < 0 || row >= Count() || column < 0 || column >= kColumns) return "";
  return texts_.data() + rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void RowStore::SetName(int row, std::string_view name) {
  if (row < 0 || row >= Count()) return;
  rows_[static_cast<std::size_t>(row)][0] = Put(name);
}

bool RowStore::NameMatches(int row, std::string_view text, bool partial) const noexcept {
  const char* name = Text(row, 0);
  const std::size_t length = std::strlen(name);
  if (partial ? length < text.size() : length != text.size()) return false;
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name, static_cast<int>(text.size()),
                          text.data(), static_cast<int>(text.size())) == CSTR_EQUAL;
}

int RowStore::FindName(std::string_view text, int start, bool partial, bool wrap) const noexcept {
  const int count = Count();
  if (count == 0) return -1;
  if (start < 0 || start >= count) start = wrap ? 0 : count;
  for (int row = start; row < count; ++row) {
    if (NameMatches(row, text, partial)) return row;
  }
  for (int row = 0; wrap && row < start; ++row) {
    if (NameMatches(row, text, partial)) return row;
  }
  return -1;
}

}  // namespace libinfo
