#include "PlugIn.h"

#include <cstring>
#include <utility>

#include "HostError.h"

using libinfo::PlugInItemRecord;
using libinfo::PlugInLibRecord;
using libinfo::UniqueModule;

namespace plughost {
namespace {

using InitPlugInLibProc = void(__stdcall*)(PlugInLibRecord*);

template <typename Record>
void FillWithSentinel(Record& record) noexcept {
  std::memset(&record, kRecordSentinel, sizeof record);
}

#ifdef _WIN64
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_I386;
#endif

[[nodiscard]] const char* BitnessOf(WORD machine) noexcept {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return "32-bit (i686)";
    case IMAGE_FILE_MACHINE_AMD64:
      return "64-bit (x86-64)";
    default:
      return nullptr;
  }
}

// The machine field of a PE image, or 0 when the file is not one (the loader
// then says why in its own words).
[[nodiscard]] WORD ImageMachine(const std::string& path) noexcept {
  const libinfo::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  IMAGE_DOS_HEADER dos{};
  DWORD read = 0;
  if (!::ReadFile(file.get(), &dos, sizeof dos, &read, nullptr) || read != sizeof dos ||
      dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
    return 0;
  }
  struct {
    DWORD signature;
    IMAGE_FILE_HEADER header;
  } nt{};
  if (::SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !::ReadFile(file.get(), &nt, sizeof nt, &read, nullptr) || read != sizeof nt ||
      nt.signature != IMAGE_NT_SIGNATURE) {
    return 0;
  }
  return nt.header.Machine;
}

// A plug-in built for hosts of the other bitness cannot be loaded into this
// process; say so in terms the user can act on instead of the loader's
// "bad image format".
void RequireOwnBitness(const std::string& path) {
  const WORD machine = ImageMachine(path);
  const char* bitness = BitnessOf(machine);
  if (machine == kOwnMachine || !bitness) return;
  throw HostError("Cannot load the plug-in \"" + path + "\": it is a " + bitness +
                  " plug-in, and this host is " + BitnessOf(kOwnMachine) + ". Use the " + bitness +
                  " plughost.exe for it.");
}

UniqueModule LoadModule(const std::string& path) {
  RequireOwnBitness(path);
  UniqueModule module(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) {
    throw HostError("Cannot load the plug-in \"" + path +
                    "\": " + SystemErrorText(::GetLastError()));
  }
  return module;
}

std::uintptr_t ImageSize(HMODULE module) noexcept {
  const auto base = reinterpret_cast<const std::uint8_t*>(module);
  const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.SizeOfImage;
}

std::uintptr_t AddressOf(const void* procedure) noexcept {
  return reinterpret_cast<std::uintptr_t>(procedure);
}

}  // namespace

PlugIn::PlugIn(std::string path, UniqueModule module)
    : path_(std::move(path)), module_(std::move(module)), imageSize_(ImageSize(module_.get())) {}

PlugIn PlugIn::Load(const std::string& path) {
  PlugIn plugIn(path, LoadModule(path));
  plugIn.QueryLibrary();
  plugIn.QueryItems();
  return plugIn;
}

void PlugIn::QueryLibrary() {
  // Through the generic function type: the export's real type is known only to us.
  const auto init = reinterpret_cast<InitPlugInLibProc>(
      reinterpret_cast<void (*)()>(::GetProcAddress(module_.get(), "InitPlugInLib")));
  if (!init) throw HostError("The plug-in \"" + path_ + "\" does not export InitPlugInLib.");
  FillWithSentinel(library_);
  init(&library_);
  RequireCode(AddressOf(reinterpret_cast<const void*>(library_.itemQuery)),
              "the item query of the library record");
}

void PlugIn::QueryItems() {
  for (std::uint32_t index = 1; index <= kMaxItems; ++index) {
    PlugInItemRecord item;
    FillWithSentinel(item);
    if (library_.itemQuery(index, &item) != libinfo::kItemFilled) break;
    RequireCode(AddressOf(reinterpret_cast<const void*>(item.commandQuery)),
                "the command query of item " + std::to_string(index));
    items_.push_back(item);
  }
  if (items_.empty()) throw HostError("The plug-in \"" + path_ + "\" offers no items.");
}

libinfo::CommandProc PlugIn::Command(std::size_t item, std::uint32_t kind) const {
  const libinfo::CommandProc procedure = items_.at(item).commandQuery(kind);
  if (procedure) {
    RequireCode(AddressOf(reinterpret_cast<const void*>(procedure)),
                "the procedure for command kind " + std::to_string(kind));
  }
  return procedure;
}

bool PlugIn::Contains(std::uintptr_t address) const noexcept {
  return address >= Base() && address - Base() < imageSize_;
}

std::uintptr_t PlugIn::Base() const noexcept {
  return AddressOf(module_.get());
}

// Calling a null or stray address would take the host down with the plug-in;
// a clear message is all the user can do anything with.
void PlugIn::RequireCode(std::uintptr_t address, const std::string& what) const {
  if (address == 0)
    throw HostError("The plug-in \"" + path_ + "\" gave no address for " + what + ".");
  if (!Contains(address)) {
    throw HostError("The plug-in \"" + path_ + "\" gave an address outside itself for " + what +
                    ".");
  }
}

std::string DefaultPlugInPath() {
  char exe[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, length);
  return path.substr(0, path.find_last_of("\\/") + 1) + "libinfo.pdl";
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH] = {};
  const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  return std::string(full, length);
}

}  // namespace plughost
