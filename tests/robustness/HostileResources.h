// Damaged copies of one well-formed version resource, written into copies of
// the resource-only DLL that carries it. The damage is drawn from a seeded
// generator, so every run writes the same files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace libinfo::testing {

using Bytes = std::vector<BYTE>;

enum class Damage {
  Truncated,            // the resource ends early; the root still claims its old length
  TruncatedConsistent,  // the resource and the root's length end early together
  InflatedLength,
  DeflatedLength,
  InflatedValueLength,
  DeflatedValueLength,
  MissingTerminator,  // of a key or of a text value
  OddAlignment,       // a block and all after it moved by 1 to 3 bytes
  WrongType,
  RandomBytes,          // anywhere
  RandomBytesInValues,  // inside keys and values, the lengths left intact
  Combined,             // two or three of the above
  kCount
};

const char* NameOf(Damage damage);

// Where the parts of one block of a well-formed resource lie.
struct BlockPlace {
  size_t start;
  WORD length;
  size_t keyEnd;  // the terminator
  size_t valueStart;
  size_t valueBytes;
  WORD type;
};

// Every block of a well-formed 32-bit resource, root first.
std::vector<BlockPlace> BlocksOf(const Bytes& wellFormed);

struct HostileResource {
  Damage damage;
  Bytes blob;  // the resource exactly, with its new size
};

// A resource-only DLL with one version resource, whose bytes and size can be
// replaced in place as long as the new resource is not larger.
class VersionDllTemplate {
 public:
  explicit VersionDllTemplate(const std::string& path);

  [[nodiscard]] const Bytes& Blob() const { return blob_; }
  [[nodiscard]] Bytes WithResource(const Bytes& blob) const;

 private:
  Bytes file_;
  Bytes blob_;
  size_t blobOffset_ = 0;
  size_t sizeFieldOffset_ = 0;
};

// One damaged copy; the same seed gives the same damage.
Bytes ApplyDamage(const Bytes& wellFormed, Damage damage, std::uint32_t seed);

// count resources, cycling through the kinds of damage; the same seed gives
// the same resources.
std::vector<HostileResource> MakeHostileResources(const Bytes& wellFormed, std::uint32_t seed,
                                                  int count);

// True when the platform's own reader stays inside the copy for this blob:
// every block it can walk to lies within the resource, with a terminated key
// and a value that fits, and the root is no longer than the resource (the
// query function writes converted text behind the root's length).
bool PlatformReadsWithin(const Bytes& blob);

// True when the root of a 32-bit resource claims more bytes than the
// resource holds: the platform would write converted text past the copy, so
// the reader must refuse such a resource before querying it.
bool RootExceedsResource(const Bytes& blob);

void WriteWholeFile(const std::string& path, const Bytes& bytes);

}  // namespace libinfo::testing
