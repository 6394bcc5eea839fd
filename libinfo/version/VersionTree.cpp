#include "version/VersionTree.h"

#include <cstring>

namespace libinfo {
namespace {

// Far beyond any real resource (four levels deep, a few hundred nodes), and
// small enough that a hostile one cannot make the check itself expensive.
constexpr int kMaxDepth = 16;
constexpr std::size_t kMaxNodes = 4096;

struct LayoutRules {
  std::size_t headerSize;  // length, value length and, wide, the type
  std::size_t charSize;
  bool typed;
};

constexpr LayoutRules kWideRules{3 * sizeof(WORD), sizeof(WCHAR), true};
constexpr LayoutRules kNarrowRules{2 * sizeof(WORD), sizeof(char), false};

constexpr std::size_t RoundUp4(std::size_t offset) noexcept {
  return (offset + 3) & ~std::size_t{3};
}

class TreeCheck {
 public:
  TreeCheck(const BYTE* data, std::size_t size, const LayoutRules& rules) noexcept
      : data_(data), size_(size), rules_(rules) {}

  [[nodiscard]] bool Fits() noexcept { return NodeFits(0, size_, 0); }

 private:
  [[nodiscard]] WORD WordAt(std::size_t offset) const noexcept {
    WORD word;
    std::memcpy(&word, data_ + offset, sizeof word);
    return word;
  }

  // The node at start, whose parent ends at limit (the copy's end for the root).
  [[nodiscard]] bool NodeFits(std::size_t start, std::size_t limit, int depth) noexcept {
    if (depth > kMaxDepth || ++nodes_ > kMaxNodes) return false;
    if (limit - start < rules_.headerSize) return false;
    const std::size_t length = WordAt(start);
    if (length < rules_.headerSize || length > limit - start) return false;
    const std::size_t end = start + length;

    std::size_t keyEnd = 0;
    if (!KeyEnds(start + rules_.headerSize, end, keyEnd)) return false;
    const std::size_t valueStart = start + RoundUp4(keyEnd - start);
    const std::size_t valueBytes = ValueBytes(start);
    if (valueStart > end || valueBytes > end - valueStart) return false;

    std::size_t child = valueStart + RoundUp4(valueBytes);
    while (child < end) {
      if (!NodeFits(child, end, depth + 1)) return false;
      child += RoundUp4(WordAt(child));
    }
    return true;
  }

  // Finds the key's terminator inside the node; keyEnd is just past it.
  [[nodiscard]] bool KeyEnds(std::size_t key, std::size_t end, std::size_t& keyEnd) const noexcept {
    for (std::size_t at = key; at + rules_.charSize <= end; at += rules_.charSize) {
      const bool terminator =
          rules_.charSize == 1 ? data_[at] == 0 : data_[at] == 0 && data_[at + 1] == 0;
      if (terminator) {
        keyEnd = at + rules_.charSize;
        return true;
      }
    }
    return false;
  }

  // The query function counts a value of any non-zero type as text.
  [[nodiscard]] std::size_t ValueBytes(std::size_t start) const noexcept {
    const std::size_t units = WordAt(start + sizeof(WORD));
    if (!rules_.typed) return units;
    return WordAt(start + 2 * sizeof(WORD)) != 0 ? units * sizeof(WCHAR) : units;
  }

  const BYTE* data_;
  std::size_t size_;
  const LayoutRules& rules_;
  std::size_t nodes_ = 0;
};

}  // namespace

bool VersionTreeFits(const BYTE* data, std::size_t size, VersionLayout layout) noexcept {
  if (!data) return false;
  TreeCheck check(data, size, layout == VersionLayout::kWide ? kWideRules : kNarrowRules);
  return check.Fits();
}

}  // namespace libinfo
