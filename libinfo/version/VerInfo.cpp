#include "version/VerInfo.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "version/VersionLibrary.h"
#include "version/VersionTree.h"

namespace libinfo {
namespace {

constexpr char kRootBlock[] = "\\";
constexpr char kTranslationBlock[] = "\\VarFileInfo\\Translation";
constexpr char kStringTables[] = "\\StringFileInfo\\";
constexpr size_t kSubBlockCapacity = 256;
constexpr size_t kTranslationEntrySize = 2 * sizeof(WORD);
// Where converted texts start behind the root's declared length.
constexpr size_t kConvertedTextOffset = 4;
constexpr size_t kSixteenBitKeyOffset = 4;

BYTE* AllocateOnHeap(DWORD size) {
  return new BYTE[size];
}
void ReleaseFromHeap(BYTE* block) noexcept {
  delete[] block;
}

}  // namespace

std::string FormatVersionNumber(const VersionNumber& number) {
  char text[24];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(HIWORD(number.MS)),
                static_cast<int>(LOWORD(number.MS)), static_cast<int>(HIWORD(number.LS)),
                static_cast<int>(LOWORD(number.LS)));
  return text;
}

const VersionBufferPolicy& HeapVersionBuffer() noexcept {
  static constexpr VersionBufferPolicy heap{AllocateOnHeap, ReleaseFromHeap};
  return heap;
}

TVersionInfo::TVersionInfo(const std::string& path, const VersionBufferPolicy& buffer)
    : FPath(path), FInfoData(nullptr, BufferRelease(buffer.release)) {
  Load(buffer);
}

void TVersionInfo::Load(const VersionBufferPolicy& buffer) {
  FInfoValid = false;
  const VersionFunctions& api = VersionLibrary();
  if (!api.Loaded()) return;
  FInfoSize = api.infoSize(FPath.c_str(), &FInfoHandle);
  if (FInfoSize == 0) return;
  // Owned before the read, so a failing read still leaves the block to the destructor.
  FInfoData.reset(buffer.allocate(FInfoSize));
  FInfoValid =
      api.info(FPath.c_str(), FInfoHandle, FInfoSize, FInfoData.get()) != FALSE && TreeFitsCopy();
}

// The query function trusts every length in the resource, so a damaged one
// makes it read outside the copy; such a resource is not queried at all.
// For a 32-bit resource it also converts each text it finds into the space
// behind the root's declared length, up to that length again: a root
// claiming more than the resource holds would have it write past the copy.
// (A first key character from the space upwards marks the 16-bit layout,
// whose texts are not converted.)
bool TVersionInfo::TreeFitsCopy() const noexcept {
  constexpr size_t kHeaderSize = 3 * sizeof(WORD);
  if (FInfoSize < kHeaderSize) return false;
  if (FInfoData[kSixteenBitKeyOffset] >= ' ') {
    return VersionTreeFits(FInfoData.get(), FInfoSize, VersionLayout::kNarrow);
  }
  WORD rootLength = 0;
  std::memcpy(&rootLength, FInfoData.get(), sizeof rootLength);
  return 2 * static_cast<size_t>(rootLength) + kConvertedTextOffset <= FInfoSize &&
         VersionTreeFits(FInfoData.get(), FInfoSize, VersionLayout::kWide);
}

bool TVersionInfo::Query(const char* subBlock, const BYTE*& address, UINT& length) const noexcept {
  if (!FInfoValid) return false;
  void* found = nullptr;
  length = 0;
  if (!VersionLibrary().queryValue(FInfoData.get(), subBlock, &found, &length)) {
    return false;
  }
  address = static_cast<const BYTE*>(found);
  return address != nullptr;
}

bool TVersionInfo::Holds(const BYTE* address, size_t length) const noexcept {
  return length <= BytesFrom(address);
}

size_t TVersionInfo::BytesFrom(const BYTE* address) const noexcept {
  // Compared as integers: the platform may answer with any address at all.
  const auto begin = reinterpret_cast<uintptr_t>(FInfoData.get());
  const auto at = reinterpret_cast<uintptr_t>(address);
  if (!FInfoData || at < begin || at - begin > FInfoSize) return 0;
  return FInfoSize - (at - begin);
}

const void* TVersionInfo::GetTranslation() const noexcept {
  const BYTE* entries = nullptr;
  UINT length = 0;
  if (!Query(kTranslationBlock, entries, length)) return nullptr;
  if (length < kTranslationEntrySize || !Holds(entries, kTranslationEntrySize)) return nullptr;
  return entries;
}

std::string TVersionInfo::GetTranslationKey() const noexcept {
  try {
    const void* entry = GetTranslation();
    if (!entry) return {};
    WORD words[2];
    std::memcpy(words, entry, sizeof words);
    const DWORD languageAndCodePage = MAKELONG(words[1], words[0]);
    char key[9];
    std::snprintf(key, sizeof key, "%08lX", static_cast<unsigned long>(languageAndCodePage));
    return key;
  } catch (...) {
    return {};
  }
}

const VS_FIXEDFILEINFO* TVersionInfo::GetFixedInfo() const noexcept {
  const BYTE* block = nullptr;
  UINT length = 0;
  if (!Query(kRootBlock, block, length)) return nullptr;
  // A short block would be filled up with whatever follows it; that is no version.
  if (length < sizeof(VS_FIXEDFILEINFO) || !Holds(block, sizeof(VS_FIXEDFILEINFO))) {
    return nullptr;
  }
  return reinterpret_cast<const VS_FIXEDFILEINFO*>(block);
}

void TVersionInfo::GetFileVersionNumber(VersionNumber& number) const noexcept {
  const VS_FIXEDFILEINFO* fixed = GetFixedInfo();
  if (!fixed) return;
  std::memcpy(&number.MS, &fixed->dwFileVersionMS, sizeof number.MS);
  std::memcpy(&number.LS, &fixed->dwFileVersionLS, sizeof number.LS);
}

void TVersionInfo::GetProductVersionNumber(VersionNumber& number) const noexcept {
  const VS_FIXEDFILEINFO* fixed = GetFixedInfo();
  if (!fixed) return;
  std::memcpy(&number.MS, &fixed->dwProductVersionMS, sizeof number.MS);
  std::memcpy(&number.LS, &fixed->dwProductVersionLS, sizeof number.LS);
}

std::string TVersionInfo::GetStringValue(const std::string& name) const {
  if (!FInfoValid) return {};
  const std::string path = kStringTables + GetTranslationKey() + "\\" + name;
  char subBlock[kSubBlockCapacity];
  if (path.size() >= sizeof subBlock) return {};
  std::memcpy(subBlock, path.c_str(), path.size() + 1);

  const BYTE* value = nullptr;
  UINT length = 0;
  if (!Query(subBlock, value, length)) return {};
  // The terminator may be missing: the value then ends where the copy ends.
  const auto* text = reinterpret_cast<const char*>(value);
  return std::string(text, ::strnlen(text, BytesFrom(value)));
}

std::string TVersionInfo::VersionOrFallback(const char* name,
                                            void (TVersionInfo::*number)(VersionNumber&)
                                                const noexcept) const {
  std::string text = GetStringValue(name);
  if (!text.empty() || !FInfoValid || !GetFixedInfo()) return text;
  VersionNumber version{};
  (this->*number)(version);
  return FormatVersionNumber(version);
}

std::string TVersionInfo::FileDescription() const {
  return GetStringValue("FileDescription");
}

std::string TVersionInfo::ProductName() const {
  return GetStringValue("ProductName");
}

std::string TVersionInfo::FileVersion() const {
  return VersionOrFallback("FileVersion", &TVersionInfo::GetFileVersionNumber);
}

std::string TVersionInfo::ProductVersion() const {
  return VersionOrFallback("ProductVersion", &TVersionInfo::GetProductVersionNumber);
}

}  // namespace libinfo
