// A second reader of version resources for the tests, independent of the
// platform's version library: it takes the resource straight from the file's
// resource section, walks the block tree itself and applies the same rules as
// the reader under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace libinfo::testing {

// One block of the tree: length, value length, type, UTF-16 key, value, children.
struct RawBlock {
  std::wstring key;
  WORD type = 0;
  WORD valueLength = 0;
  std::vector<BYTE> value;  // clipped to the block
  std::vector<RawBlock> children;

  [[nodiscard]] const RawBlock* Child(const std::wstring& name) const;  // any case
  [[nodiscard]] std::optional<std::string> Text() const;  // ANSI, up to the first zero
};

struct VersionAnswers {
  std::string description;
  std::string product;
  std::string fileVersion;
  std::string productVersion;
  bool operator==(const VersionAnswers&) const = default;
};

// The version resource (type 16, id 1) of a PE file; nothing for other files.
std::optional<std::vector<BYTE>> LoadVersionResource(const std::string& path);

std::optional<RawBlock> ParseVersionBlob(const std::vector<BYTE>& blob);

// The fixed block when the root's value is a whole VS_FIXEDFILEINFO.
std::optional<VS_FIXEDFILEINFO> FixedInfoOf(const RawBlock& root);

// The first Translation entry as (language, code page).
std::optional<std::pair<WORD, WORD>> FirstTranslationOf(const RawBlock& root);

const RawBlock* StringOf(const RawBlock& root, const std::wstring& table, const std::wstring& name);

VersionAnswers ExpectedAnswers(const RawBlock& root);

std::ostream& operator<<(std::ostream& out, const VersionAnswers& answers);

}  // namespace libinfo::testing
