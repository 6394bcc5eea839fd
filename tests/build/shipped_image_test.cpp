// The built plug-in away from the address it was linked for. Windows loads
// it at an address of its own choosing in every host (the image asks for
// that), while this platform loads it where it was linked whenever that is
// free, so every other test runs it unmoved: here the linked address is
// taken first, and the plug-in must still load and hand out working entry
// points, which only its relocations make right.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "Owned.h"
#include "plugin/PlugIntf.h"

namespace libinfo {
namespace {

// The plug-in next to the test program, as a host finds it: by full path.
std::string PlugInPath() {
  char self[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string path(self, length);
  return path.substr(0, path.find_last_of('\\') + 1) + "libinfo.pdl";
}

struct LinkedImage {
  std::uintptr_t base = 0;  // the address it was linked for
  std::uintptr_t size = 0;
  DWORD relocationBytes = 0;  // none where the linker left them out
};

// What the image's own headers say.
LinkedImage LinkedImageOf(const std::string& path) {
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  char headers[4096] = {};
  DWORD read = 0;
  if (!file || !::ReadFile(file.get(), headers, sizeof headers, &read, nullptr)) return {};
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, headers, sizeof dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
      static_cast<DWORD>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS) > read) {
    return {};
  }
  IMAGE_NT_HEADERS nt;
  std::memcpy(&nt, headers + dos.e_lfanew, sizeof nt);
  // The headers of this program's own kind: the plug-in is of its bitness.
  if (nt.Signature != IMAGE_NT_SIGNATURE ||
      nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) {
    return {};
  }
  const bool stripped = nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED;
  const IMAGE_DATA_DIRECTORY& relocations =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  return {static_cast<std::uintptr_t>(nt.OptionalHeader.ImageBase), nt.OptionalHeader.SizeOfImage,
          stripped || !relocations.VirtualAddress ? 0 : relocations.Size};
}

void Release(void* memory) noexcept {
  ::VirtualFree(memory, 0, MEM_RELEASE);
}

bool Inside(HMODULE module, std::uintptr_t size, const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  const auto base = reinterpret_cast<std::uintptr_t>(module);
  return at >= base && at - base < size;
}

TEST(ShippedImage, WorksLoadedAwayFromTheAddressItWasLinkedFor) {
  const std::string path = PlugInPath();
  ASSERT_EQ(nullptr, ::GetModuleHandleA("libinfo.pdl")) << "loaded before the test";
  const LinkedImage linked = LinkedImageOf(path);
  ASSERT_NE(0u, linked.base) << path << " is no image of this program's bitness";
  // Moved without them, its start-up code would already read the wrong
  // addresses inside the load, with the loader's lock held.
  ASSERT_NE(0u, linked.relocationBytes) << path << " carries no relocations";
  const Owned<void*, Release> taken(::VirtualAlloc(reinterpret_cast<void*>(linked.base),
                                                   linked.size, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_TRUE(taken) << "the linked address is in use already";

  const UniqueModule module(::LoadLibraryA(path.c_str()));
  ASSERT_TRUE(module) << path << " does not load away from its linked address (error "
                      << ::GetLastError() << ")";
  EXPECT_NE(linked.base, reinterpret_cast<std::uintptr_t>(module.get()));
  const auto init = reinterpret_cast<void(__stdcall*)(PlugInLibRecord*)>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "InitPlugInLib")));
  ASSERT_NE(nullptr, init);

  // The records' texts and code addresses, and a call through them.
  PlugInLibRecord library{};
  init(&library);
  EXPECT_STREQ("libinfo.pdl", library.fileName);
  ASSERT_TRUE(Inside(module.get(), linked.size, reinterpret_cast<const void*>(library.itemQuery)))
      << "the item query is not in the moved image";
  PlugInItemRecord item{};
  ASSERT_EQ(kItemFilled, library.itemQuery(1, &item));
  EXPECT_STREQ("Libraries information", item.caption);
  ASSERT_TRUE(Inside(module.get(), linked.size, reinterpret_cast<const void*>(item.commandQuery)))
      << "the command query is not in the moved image";
  for (const std::uint32_t kind : {kCommandNoOperation, kCommandAbout, kCommandRun}) {
    EXPECT_TRUE(
        Inside(module.get(), linked.size, reinterpret_cast<const void*>(item.commandQuery(kind))))
        << "command " << kind;
  }
  EXPECT_EQ(0u, item.commandQuery(kCommandNoOperation)(0, nullptr));
}

}  // namespace
}  // namespace libinfo
