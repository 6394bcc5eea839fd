// The rows of the library list, held once and compactly: every text of every
// row in one block, each row a handful of offsets into it. The list view
// asks for the texts when it paints (a virtual list) instead of keeping its
// own copies.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "rows/LibraryRow.h"

namespace libinfo {

class RowStore {
 public:
  static constexpr int kColumns = 5;  // name, description, product, file and product version

  void Clear() noexcept;
  void Append(const LibraryRow& row);
  // Drops every row after the first `count`.
  void KeepFirst(int count) noexcept;
  // Gives back the room kept for more rows, once no more are coming.
  void Compact() noexcept;
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(rows_.size()); }
  // The bytes the texts take, terminators included.
  [[nodiscard]] std::size_t TextBytes() const noexcept { return texts_.size(); }

  // The text of a cell, zero-terminated; empty outside the rows and columns.
  [[nodiscard]] const char* Text(int row, int column) const noexcept;

  // An edited name replaces the first text of the row and nothing else.
  void SetName(int row, std::string_view name);

  // The first row from `start` on (wrapping round when asked) whose name
  // equals `text`, or begins with it when `partial`, ignoring case; -1 if none.
  [[nodiscard]] int FindName(std::string_view text, int start, bool partial,
                             bool wrap) const noexcept;

 private:
  std::uint32_t Put(std::string_view text);
  std::uint32_t PutShared(std::string_view text);
  [[nodiscard]] bool Holds(std::uint32_t offset, std::string_view text) const noexcept;
  [[nodiscard]] bool NameMatches(int row, std::string_view text, bool partial) const noexcept;

  std::vector<char> texts_;  // each text followed by its terminator
  std::vector<std::array<std::uint32_t, kColumns>> rows_;

  // The rows of one folder share most of their texts (a product's name, its
  // versions, often the description), so the store remembers where some
  // recent texts were put, by a hash of the text, and a repeated text is
  // stored once. A slot only ever hints: the stored text is compared first.
  static constexpr std::size_t kRecentTexts = 256;
  static constexpr std::uint32_t kNoText = UINT32_MAX;
  using RecentTexts = std::array<std::uint32_t, kRecentTexts>;
  RecentTexts recent_ = EmptyRecent();
  static RecentTexts EmptyRecent() noexcept;
};

}  // namespace libinfo
