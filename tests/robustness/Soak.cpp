#include "Soak.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Helpers.h"
#include "common/GuardPageBuffer.h"

namespace libinfo::testing {
namespace {

// Mutations of real resources from the system directory, after the kinds of
// damage done to the template.
enum class Mutation {
  BitFlips,
  LengthZero,
  LengthOne,
  LengthOdd,
  ParentLength,
  ParentPlusOne,
  Full
};
constexpr const char* kMutationNames[] = {
    "bit flips",       "length field 0",      "length field 1",     "length field odd",
    "parent's length", "parent's length + 1", "length field 0xFFFF"};
constexpr int kMutations = static_cast<int>(Mutation::Full) + 1;
constexpr int kDamages = static_cast<int>(Damage::kCount);
constexpr DWORD kLargestSource = 512 * 1024;  // rewriting big files would only cost time
constexpr UINT kFaultExit = 9;

struct Source {
  std::string name;
  std::unique_ptr<VersionDllTemplate> dll;
};

struct Shape {
  std::string kind;
  std::string source;
  Bytes blob;
  const VersionDllTemplate* dll = nullptr;
};

struct Tally {
  int listed = 0;
  int refused = 0;
};

// Shapes read at once, each by a thread of its own, as the scan's readers
// read files at once.
constexpr int kReaders = 4;

// What the fault handler prints: enough to replay the shape. Each reader
// has its own; the handler runs on the thread that faulted.
std::uint32_t soakSeed = 0;
struct Current {
  int index = 0;
  const Shape* shape = nullptr;
  const char* placement = "";
};
thread_local Current current;

LONG CALLBACK ReportFault(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // Only the guard pages are committed without access: anything else is
  // the platform's own business.
  MEMORY_BASIC_INFORMATION region{};
  const auto address = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
  if (::VirtualQuery(address, &region, sizeof region) == 0 || region.Protect != PAGE_NOACCESS) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  std::printf("FAULT: %s outside the copy, seed %lu, shape %d (%s of %s), copy %s\n",
              record.ExceptionInformation[0] ? "wrote" : "read",
              static_cast<unsigned long>(soakSeed), current.index,
              current.shape ? current.shape->kind.c_str() : "?",
              current.shape ? current.shape->source.c_str() : "?", current.placement);
  std::printf("replay: scripts/soak.sh %d %lu\n", current.index + 1,
              static_cast<unsigned long>(soakSeed));
  std::fflush(stdout);
  ::ExitProcess(kFaultExit);
}

std::vector<Source> RealSources() {
  char directory[MAX_PATH] = {};
  ::GetSystemDirectoryA(directory, sizeof directory);
  std::vector<Source> sources;
  WIN32_FIND_DATAA entry{};
  const UniqueFind search(::FindFirstFileA((std::string(directory) + "\\*.dll").c_str(), &entry));
  if (!search) return sources;
  do {
    if (entry.nFileSizeHigh || entry.nFileSizeLow > kLargestSource) continue;
    const std::string path = std::string(directory) + "\\" + entry.cFileName;
    DWORD handle = 0;
    if (::GetFileVersionInfoSizeA(path.c_str(), &handle) == 0) continue;
    try {
      auto dll = std::make_unique<VersionDllTemplate>(path);
      if (!BlocksOf(dll->Blob()).empty()) sources.push_back({entry.cFileName, std::move(dll)});
    } catch (const std::exception&) {
      // Not a layout the template reader follows; there are plenty of others.
    }
  } while (::FindNextFileA(search.get(), &entry));
  return sources;
}

// The block that most closely encloses the one at `start`, or the root itself.
size_t ParentLength(const std::vector<BlockPlace>& blocks, size_t start) {
  size_t length = blocks.front().length;
  for (const BlockPlace& block : blocks) {
    if (block.start < start && start < block.start + block.length) length = block.length;
  }
  return length;
}

Bytes Mutate(const Bytes& wellFormed, Mutation mutation, std::mt19937& random) {
  Bytes bytes = wellFormed;
  if (mutation == Mutation::BitFlips) {
    for (int flips = 1 + random() % 8; flips > 0; --flips) {
      bytes[random() % bytes.size()] ^= static_cast<BYTE>(1u << (random() % 8));
    }
    return bytes;
  }
  const auto blocks = BlocksOf(wellFormed);
  const BlockPlace& block = blocks[random() % blocks.size()];
  const size_t field = block.start + (random() % 2 ? sizeof(WORD) : 0);  // length or value length
  const size_t parent = ParentLength(blocks, block.start);
  WORD value = 0;
  switch (mutation) {
    case Mutation::LengthOne:
      value = 1;
      break;
    case Mutation::LengthOdd:
      value = static_cast<WORD>(random() | 1);
      break;
    case Mutation::ParentLength:
      value = static_cast<WORD>(parent);
      break;
    case Mutation::ParentPlusOne:
      value = static_cast<WORD>(parent + 1);
      break;
    case Mutation::Full:
      value = 0xFFFF;
      break;
    default:
      break;
  }
  if (field + sizeof value <= bytes.size()) std::memcpy(bytes.data() + field, &value, sizeof value);
  return bytes;
}

class Soaker {
 public:
  Soaker(std::uint32_t seed) : random_(seed), sources_(RealSources()) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    for (int reader = 0; reader < kReaders; ++reader) {
      paths_.push_back(std::string(temp) + "libinfo-soak-" +
                       std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(reader) +
                       ".dll");
    }
  }
  ~Soaker() {
    for (const auto& path : paths_) ::DeleteFileA(path.c_str());
  }

  // Shapes `first` on, one per reader, drawn in order so that a seed
  // replays them, then read all at once.
  void RunBatch(int first, int count) {
    std::vector<Shape> shapes;
    for (int index = first; index < first + count; ++index) shapes.push_back(Draw(index));
    std::vector<int> valid(shapes.size());
    std::vector<std::thread> readers;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
      readers.emplace_back([this, &shapes, &valid, i, first] {
        valid[i] = Read(first + static_cast<int>(i), shapes[i], paths_[i]);
      });
    }
    for (auto& reader : readers) reader.join();
    for (std::size_t i = 0; i < shapes.size(); ++i) {
      Tally& tally = tallies_[shapes[i].kind];
      ++(valid[i] ? tally.listed : tally.refused);
    }
  }

  void Report(int count) const {
    std::printf("%d shapes, %zu system libraries as sources of real resources\n\n", count,
                sources_.size());
    std::printf("| Kind | Listed | Refused | Faulted |\n|---|---:|---:|---:|\n");
    Tally total;
    for (const auto& [kind, tally] : tallies_) {
      std::printf("| %s | %d | %d | 0 |\n", kind.c_str(), tally.listed, tally.refused);
      total.listed += tally.listed;
      total.refused += tally.refused;
    }
    std::printf("| all | %d | %d | 0 |\n", total.listed, total.refused);
  }

 private:
  Shape Draw(int index) {
    const int kinds = kDamages + (sources_.empty() ? 0 : kMutations);
    const int kind = index % kinds;
    const VersionDllTemplate* dll = &HostileTemplate();
    Shape shape;
    if (kind < kDamages) {
      shape = {NameOf(static_cast<Damage>(kind)), "template",
               ApplyDamage(dll->Blob(), static_cast<Damage>(kind), random_()), dll};
    } else {
      const Source& source = sources_[random_() % sources_.size()];
      dll = source.dll.get();
      shape = {kMutationNames[kind - kDamages], source.name,
               Mutate(dll->Blob(), static_cast<Mutation>(kind - kDamages), random_), dll};
    }
    // A few shifts add bytes; the copy of the library has room for the
    // resource's own size only, and a cut-off end is just more damage.
    if (shape.blob.size() > dll->Blob().size()) shape.blob.resize(dll->Blob().size());
    return shape;
  }

  static bool Read(int index, const Shape& shape, const std::string& path) {
    current.index = index;
    current.shape = &shape;
    WriteWholeFile(path, shape.dll->WithResource(shape.blob));
    current.placement = "ending at a guard page";
    const TVersionInfo endGuarded(path, GuardPageBuffer());
    (void)AnswersOf(endGuarded);
    current.placement = "starting behind a guard page";
    const TVersionInfo startGuarded(path, LeadingGuardPageBuffer());
    (void)AnswersOf(startGuarded);
    current.shape = nullptr;
    return endGuarded.Valid();
  }

  std::mt19937 random_;
  std::vector<Source> sources_;
  std::vector<std::string> paths_;
  std::map<std::string, Tally> tallies_;
};

}  // namespace

int Soak(int count, std::uint32_t seed) {
  soakSeed = seed;
  std::printf("soak: seed %lu\n", static_cast<unsigned long>(seed));
  std::fflush(stdout);
  const PVOID handler = ::AddVectoredExceptionHandler(1, ReportFault);
  Soaker soaker(seed);
  for (int first = 0; first < count; first += kReaders) {
    soaker.RunBatch(first, std::min(kReaders, count - first));
  }
  soaker.Report(count);
  ::RemoveVectoredExceptionHandler(handler);
  return GuardPageBlocksInUse() == 0 ? 0 : 4;
}

}  // namespace libinfo::testing
