#include "RawVersionBlob.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <ostream>

namespace libinfo::testing {
namespace {

constexpr size_t kHeaderSize = 3 * sizeof(WORD);

size_t AlignToDword(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

WORD WordAt(const std::vector<BYTE>& blob, size_t offset) {
  WORD word = 0;
  std::memcpy(&word, blob.data() + offset, sizeof word);
  return word;
}

// Parses the block at offset, not reaching beyond limit; nothing when its
// header or key does not fit.
std::optional<RawBlock> ParseBlock(const std::vector<BYTE>& blob, size_t offset, size_t limit) {
  if (offset + kHeaderSize > limit) return std::nullopt;
  const WORD length = WordAt(blob, offset);
  if (length < kHeaderSize) return std::nullopt;
  const size_t end = std::min<size_t>(offset + length, limit);
  RawBlock block;
  block.valueLength = WordAt(blob, offset + 2);
  block.type = WordAt(blob, offset + 4);
  size_t at = offset + kHeaderSize;
  for (; at + 1 < end; at += 2) {
    const WORD c = WordAt(blob, at);
    if (c == 0) break;
    block.key.push_back(static_cast<wchar_t>(c));
  }
  if (at + 1 >= end) return std::nullopt;
  const size_t valueStart = AlignToDword(at + 2);
  const size_t valueBytes = block.valueLength * (block.type ? 2u : 1u);
  const size_t valueEnd = std::min(valueStart + valueBytes, end);
  if (valueStart < valueEnd) block.value.assign(blob.begin() + valueStart, blob.begin() + valueEnd);
  for (size_t child = AlignToDword(valueStart + valueBytes); child < end;) {
    const WORD childLength = WordAt(blob, child);
    auto parsed = ParseBlock(blob, child, end);
    if (!parsed) break;
    block.children.push_back(std::move(*parsed));
    child = AlignToDword(child + childLength);
  }
  return block;
}

std::string Ansi(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::string Dotted(DWORD ms, DWORD ls) {
  char text[24];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
  return text;
}

std::wstring TableKey(std::pair<WORD, WORD> translation) {
  wchar_t key[9];
  std::swprintf(key, 9, L"%04X%04X", translation.first, translation.second);
  return key;
}

}  // namespace

const RawBlock* RawBlock::Child(const std::wstring& name) const {
  for (const RawBlock& child : children) {
    if (::_wcsicmp(child.key.c_str(), name.c_str()) == 0) return &child;
  }
  return nullptr;
}

std::optional<std::string> RawBlock::Text() const {
  if (type != 1 || value.size() < 2) return std::nullopt;
  std::wstring text;
  for (size_t at = 0; at + 1 < value.size(); at += 2) {
    const wchar_t c = static_cast<wchar_t>(value[at] | value[at + 1] << 8);
    if (c == 0) break;
    text.push_back(c);
  }
  return Ansi(text);
}

std::optional<std::vector<BYTE>> LoadVersionResource(const std::string& path) {
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return std::nullopt;
  std::optional<std::vector<BYTE>> blob;
  if (HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16))) {
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
    if (data) blob.emplace(data, data + ::SizeofResource(module, found));
  }
  ::FreeLibrary(module);
  return blob;
}

std::optional<RawBlock> ParseVersionBlob(const std::vector<BYTE>& blob) {
  return ParseBlock(blob, 0, blob.size());
}

std::optional<VS_FIXEDFILEINFO> FixedInfoOf(const RawBlock& root) {
  if (root.valueLength < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
  if (root.value.size() < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, root.value.data(), sizeof fixed);
  return fixed;
}

std::optional<std::pair<WORD, WORD>> FirstTranslationOf(const RawBlock& root) {
  const RawBlock* vars = root.Child(L"VarFileInfo");
  const RawBlock* translation = vars ? vars->Child(L"Translation") : nullptr;
  if (!translation || translation->valueLength < 4 || translation->value.size() < 4) {
    return std::nullopt;
  }
  const auto& v = translation->value;
  return std::pair<WORD, WORD>(v[0] | v[1] << 8, v[2] | v[3] << 8);
}

const RawBlock* StringOf(const RawBlock& root, const std::wstring& table,
                         const std::wstring& name) {
  const RawBlock* strings = root.Child(L"StringFileInfo");
  const RawBlock* keyed = strings ? strings->Child(table) : nullptr;
  return keyed ? keyed->Child(name) : nullptr;
}

VersionAnswers ExpectedAnswers(const RawBlock& root) {
  const auto translation = FirstTranslationOf(root);
  auto text = [&](const wchar_t* name) -> std::string {
    if (!translation) return {};
    const RawBlock* found = StringOf(root, TableKey(*translation), name);
    return found ? found->Text().value_or("") : "";
  };
  VersionAnswers answers{text(L"FileDescription"), text(L"ProductName"), text(L"FileVersion"),
                         text(L"ProductVersion")};
  if (const auto fixed = FixedInfoOf(root)) {
    if (answers.fileVersion.empty()) {
      answers.fileVersion = Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    }
    if (answers.productVersion.empty()) {
      answers.productVersion = Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    }
  }
  return answers;
}

std::ostream& operator<<(std::ostream& out, const VersionAnswers& answers) {
  return out << "{\"" << answers.description << "\", \"" << answers.product << "\", \""
             << answers.fileVersion << "\", \"" << answers.productVersion << "\"}";
}

}  // namespace libinfo::testing
