#include "HostileResources.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>

namespace libinfo::testing {
namespace {

constexpr size_t kHeaderSize = 3 * sizeof(WORD);
constexpr WORD kNoTerminator = 0x0058;  // 'X'

size_t AlignToDword(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

WORD WordAt(const Bytes& bytes, size_t offset) {
  WORD word = 0;
  if (offset + sizeof word <= bytes.size()) std::memcpy(&word, bytes.data() + offset, sizeof word);
  return word;
}

void PutWord(Bytes& bytes, size_t offset, WORD word) {
  if (offset + sizeof word <= bytes.size()) std::memcpy(bytes.data() + offset, &word, sizeof word);
}

template <typename T>
T Read(const Bytes& bytes, size_t offset) {
  if (offset + sizeof(T) > bytes.size()) throw std::runtime_error("template DLL is cut short");
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

void CollectBlocks(const Bytes& blob, size_t start, std::vector<BlockPlace>& out) {
  BlockPlace place{start, WordAt(blob, start), start + kHeaderSize, 0, 0, WordAt(blob, start + 4)};
  while (WordAt(blob, place.keyEnd) != 0) place.keyEnd += 2;
  place.valueStart = AlignToDword(place.keyEnd + 2);
  place.valueBytes = WordAt(blob, start + 2) * (place.type ? 2u : 1u);
  out.push_back(place);
  const size_t end = start + place.length;
  for (size_t child = AlignToDword(place.valueStart + place.valueBytes); child + kHeaderSize <= end;
       child = AlignToDword(child + WordAt(blob, child))) {
    CollectBlocks(blob, child, out);
  }
}

class Damager {
 public:
  Damager(const Bytes& wellFormed, std::uint32_t seed) : blob_(wellFormed), random_(seed) {
    CollectBlocks(blob_, 0, blocks_);
  }

  Bytes Apply(Damage damage) {
    Bytes bytes = blob_;
    Apply(damage, bytes);
    return bytes;
  }

 private:
  size_t Pick(size_t n) { return n ? random_() % n : 0; }
  BYTE RandomByte() { return static_cast<BYTE>(random_()); }
  const BlockPlace& AnyBlock() { return blocks_[Pick(blocks_.size())]; }
  const BlockPlace& BlockWithValue() {
    for (;;) {
      const BlockPlace& block = AnyBlock();
      if (block.valueBytes) return block;
    }
  }

  void Apply(Damage damage, Bytes& bytes) {
    switch (damage) {
      case Damage::Truncated:
        bytes.resize(Pick(bytes.size()));
        break;
      case Damage::TruncatedConsistent:
        bytes.resize(kHeaderSize + Pick(bytes.size() - kHeaderSize));
        PutWord(bytes, 0, static_cast<WORD>(bytes.size()));
        break;
      case Damage::InflatedLength:
        Inflate(bytes, AnyBlock().start);
        break;
      case Damage::DeflatedLength: {
        const BlockPlace& block = AnyBlock();
        PutWord(bytes, block.start, static_cast<WORD>(Pick(block.length)));
        break;
      }
      case Damage::InflatedValueLength:
        Inflate(bytes, AnyBlock().start + 2);
        break;
      case Damage::DeflatedValueLength: {
        const BlockPlace& block = BlockWithValue();
        PutWord(bytes, block.start + 2, static_cast<WORD>(Pick(WordAt(blob_, block.start + 2))));
        break;
      }
      case Damage::MissingTerminator:
        DropTerminator(bytes);
        break;
      case Damage::OddAlignment:
        Shift(bytes);
        break;
      case Damage::WrongType: {
        static constexpr WORD kTypes[] = {0, 1, 2, 0x20, 0x7F, 0xFFFF};
        const WORD type = Pick(3) ? kTypes[Pick(std::size(kTypes))] : WORD(random_());
        PutWord(bytes, AnyBlock().start + 4, type);
        break;
      }
      case Damage::RandomBytes:
        for (size_t n = 1 + Pick(8); n > 0; --n) bytes[Pick(bytes.size())] = RandomByte();
        break;
      case Damage::RandomBytesInValues:
        ScrambleInside(bytes);
        break;
      case Damage::Combined:
      case Damage::kCount:
        for (size_t n = 2 + Pick(2); n > 0; --n) {
          Apply(static_cast<Damage>(Pick(static_cast<size_t>(Damage::Combined))), bytes);
        }
        break;
    }
  }

  // Lengths a little too large, far too large and as large as a word goes.
  void Inflate(Bytes& bytes, size_t at) {
    const WORD old = WordAt(bytes, at);
    static constexpr int kSmall[] = {1, 2, 3, 4, 6, 64};
    int grown = 0;
    switch (Pick(3)) {
      case 0:
        grown = old + kSmall[Pick(std::size(kSmall))];
        break;
      case 1:
        grown = old + 1 + static_cast<int>(Pick(0x10000 - old));
        break;
      default:
        grown = 0xFFFF;
    }
    PutWord(bytes, at, static_cast<WORD>(std::min(grown, 0xFFFF)));
  }

  void DropTerminator(Bytes& bytes) {
    const BlockPlace& block = AnyBlock();
    if (block.type == 1 && block.valueBytes && Pick(2)) {
      PutWord(bytes, block.valueStart + block.valueBytes - 2, kNoTerminator);
      return;
    }
    // The padding behind the key would end it as well.
    for (size_t at = block.keyEnd; at + 1 < block.valueStart; at += 2) {
      PutWord(bytes, at, kNoTerminator);
    }
  }

  void Shift(Bytes& bytes) {
    const BlockPlace& block = blocks_[1 + Pick(blocks_.size() - 1)];
    const size_t by = 1 + Pick(3);
    const size_t size = bytes.size();
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(block.start, size)), by,
                 RandomByte());
    bytes.resize(size);
  }

  void ScrambleInside(Bytes& bytes) {
    const BlockPlace& block = AnyBlock();
    const bool inKey = !block.valueBytes || Pick(2);
    const size_t begin = inKey ? block.start + kHeaderSize : block.valueStart;
    const size_t length = inKey ? block.keyEnd - begin : block.valueBytes;
    if (length == 0) return;
    const size_t from = begin + Pick(length);
    const size_t to = from + 1 + Pick(begin + length - from);
    for (size_t at = from; at < to && at < bytes.size(); ++at) bytes[at] = RandomByte();
  }

  Bytes blob_;
  std::vector<BlockPlace> blocks_;
  std::mt19937 random_;
};

// The walk of the platform's query function, as far as its lookups go:
// root, the two info blocks, the tables and their values.
constexpr int kDeepestLookup = 3;

bool BlockReadsWithin(const Bytes& blob, size_t start, int depth) {
  const size_t size = blob.size();
  if (start + kHeaderSize > size) return false;
  const WORD length = WordAt(blob, start);
  size_t keyEnd = start + kHeaderSize;
  while (keyEnd + 2 <= size && WordAt(blob, keyEnd) != 0) keyEnd += 2;
  if (keyEnd + 2 > size) return false;
  const size_t valueStart = AlignToDword(keyEnd + 2);
  const size_t valueBytes = WordAt(blob, start + 2) * (WordAt(blob, start + 4) ? 2u : 1u);
  if (length == 0) return true;  // the walk stops at an empty block
  const size_t end = start + length;
  if (end > size || valueStart + valueBytes > size) return false;
  if (depth == kDeepestLookup) return true;
  for (size_t child = AlignToDword(valueStart + valueBytes); child < end;) {
    if (!BlockReadsWithin(blob, child, depth + 1)) return false;
    const WORD childLength = WordAt(blob, child);
    if (childLength == 0) break;
    child = AlignToDword(child + childLength);
  }
  return true;
}

}  // namespace

std::vector<BlockPlace> BlocksOf(const Bytes& wellFormed) {
  std::vector<BlockPlace> blocks;
  CollectBlocks(wellFormed, 0, blocks);
  return blocks;
}

const char* NameOf(Damage damage) {
  static constexpr const char* kNames[] = {
      "truncated",          "truncated consistently", "inflated length",
      "deflated length",    "inflated value length",  "deflated value length",
      "missing terminator", "odd alignment",          "wrong type",
      "random bytes",       "random bytes in values", "combined"};
  return kNames[static_cast<size_t>(damage)];
}

// The template is built by the same compiler as this program, so its headers
// are of this build's kind (PE32 or PE32+).
VersionDllTemplate::VersionDllTemplate(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  file_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const auto dos = Read<IMAGE_DOS_HEADER>(file_, 0);
  const auto nt = Read<IMAGE_NT_HEADERS>(file_, dos.e_lfanew);
  const size_t sections = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
                          nt.FileHeader.SizeOfOptionalHeader;
  const auto toFile = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      const auto section =
          Read<IMAGE_SECTION_HEADER>(file_, sections + i * sizeof(IMAGE_SECTION_HEADER));
      const DWORD span = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + span) {
        return section.PointerToRawData + (rva - section.VirtualAddress);
      }
    }
    throw std::runtime_error("address outside every section");
  };
  const size_t root =
      toFile(nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress);
  // Type 16, then the first name and the first language under it.
  size_t entry = 0;
  for (size_t directory = root, level = 0; level < 3; ++level) {
    const auto header = Read<IMAGE_RESOURCE_DIRECTORY>(file_, directory);
    const int entries = header.NumberOfNamedEntries + header.NumberOfIdEntries;
    bool found = false;
    for (int i = 0; i < entries && !found; ++i) {
      const auto item = Read<IMAGE_RESOURCE_DIRECTORY_ENTRY>(
          file_, directory + sizeof header + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
      if (level == 0 && (item.NameIsString || item.Id != 16)) continue;
      found = true;
      entry = root + item.OffsetToDirectory;
      directory = entry;
    }
    if (!found) throw std::runtime_error("no version resource in " + path);
  }
  const auto data = Read<IMAGE_RESOURCE_DATA_ENTRY>(file_, entry);
  sizeFieldOffset_ = entry + offsetof(IMAGE_RESOURCE_DATA_ENTRY, Size);
  blobOffset_ = toFile(data.OffsetToData);
  if (blobOffset_ + data.Size > file_.size()) throw std::runtime_error("resource past the file");
  blob_.assign(file_.begin() + blobOffset_, file_.begin() + blobOffset_ + data.Size);
}

Bytes VersionDllTemplate::WithResource(const Bytes& blob) const {
  if (blob.size() > blob_.size()) throw std::length_error("resource larger than its slot");
  Bytes file = file_;
  std::fill_n(file.begin() + blobOffset_, blob_.size(), BYTE{0});
  std::copy(blob.begin(), blob.end(), file.begin() + blobOffset_);
  const DWORD size = static_cast<DWORD>(blob.size());
  std::memcpy(file.data() + sizeFieldOffset_, &size, sizeof size);
  return file;
}

Bytes ApplyDamage(const Bytes& wellFormed, Damage damage, std::uint32_t seed) {
  return Damager(wellFormed, seed).Apply(damage);
}

std::vector<HostileResource> MakeHostileResources(const Bytes& wellFormed, std::uint32_t seed,
                                                  int count) {
  Damager damager(wellFormed, seed);
  std::vector<HostileResource> resources;
  resources.reserve(count);
  std::set<Bytes> seen{wellFormed};
  for (int i = 0; i < count; ++i) {
    const auto damage = static_cast<Damage>(i % static_cast<int>(Damage::kCount));
    // A few kinds can strike the same bytes twice; draw again then.
    Bytes blob;
    for (int attempt = 0; attempt < 100 && seen.count(blob = damager.Apply(damage)); ++attempt) {
    }
    seen.insert(blob);
    resources.push_back({damage, std::move(blob)});
  }
  return resources;
}

bool PlatformReadsWithin(const Bytes& blob) {
  // A type byte from the space upwards makes the platform read the blob as
  // a 16-bit resource, another layout altogether.
  if (blob.size() < kHeaderSize || blob[4] >= ' ') return false;
  return WordAt(blob, 0) <= blob.size() && BlockReadsWithin(blob, 0, 0);
}

bool RootExceedsResource(const Bytes& blob) {
  return blob.size() >= kHeaderSize && blob[4] < ' ' && WordAt(blob, 0) > blob.size();
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace libinfo::testing
