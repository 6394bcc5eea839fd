// The records and entry points through which the host learns what this
// library offers. The layouts are the host's and must not move a byte.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace libinfo {

constexpr std::size_t kRecordTextSize = 261;
using RecordText = char[kRecordTextSize];

using CommandProc = std::uint32_t(__stdcall*)(std::uint32_t context, HWND owner);
using CommandQueryProc = CommandProc(__stdcall*)(std::uint32_t kind);

#pragma pack(push, 1)
struct PlugInItemRecord;
using ItemQueryProc = std::uint32_t(__stdcall*)(std::uint32_t index, PlugInItemRecord* item);

struct PlugInLibRecord {
  std::uint8_t hostHeader[4];
  RecordText fileName;
  std::uint8_t hostGap1[3];
  std::uint32_t word268;
  std::uint32_t word272;
  std::uint32_t word276;
  RecordText copyright;
  std::uint8_t hostGap2[263];
  std::uint32_t word804;
  std::uint32_t word808;
  ItemQueryProc itemQuery;
  std::uint32_t word816;
  std::uint32_t word820;
};

struct PlugInItemRecord {
  std::uint8_t hostHeader[4];
  RecordText name;
  RecordText description;
  std::uint8_t hostGap1[2];
  std::uint32_t word528;
  RecordText caption;
  RecordText secondCaption;
  std::uint8_t hostGap2[522];
  std::uint32_t word1576;
  std::uint32_t word1580;
  std::uint8_t hostGap3[8];
  CommandQueryProc commandQuery;
};
#pragma pack(pop)

// Both layouts are the same packed records; only the code addresses differ
// in width (4 bytes for 32-bit hosts, 8 for 64-bit hosts), which moves the
// two words after the item query (named for their 32-bit offsets) by 4.
constexpr std::size_t kCodeAddressSize = sizeof(void*);
static_assert(kCodeAddressSize == 4 || kCodeAddressSize == 8);
constexpr std::size_t kWidening = kCodeAddressSize - 4;

static_assert(sizeof(PlugInLibRecord) == 824 + kWidening);
static_assert(offsetof(PlugInLibRecord, fileName) == 4);
static_assert(offsetof(PlugInLibRecord, word268) == 268);
static_assert(offsetof(PlugInLibRecord, word272) == 272);
static_assert(offsetof(PlugInLibRecord, word276) == 276);
static_assert(offsetof(PlugInLibRecord, copyright) == 280);
static_assert(offsetof(PlugInLibRecord, word804) == 804);
static_assert(offsetof(PlugInLibRecord, word808) == 808);
static_assert(offsetof(PlugInLibRecord, itemQuery) == 812);
static_assert(offsetof(PlugInLibRecord, word816) == 816 + kWidening);
static_assert(offsetof(PlugInLibRecord, word820) == 820 + kWidening);

static_assert(sizeof(PlugInItemRecord) == 1596 + kWidening);
static_assert(offsetof(PlugInItemRecord, name) == 4);
static_assert(offsetof(PlugInItemRecord, description) == 265);
static_assert(offsetof(PlugInItemRecord, word528) == 528);
static_assert(offsetof(PlugInItemRecord, caption) == 532);
static_assert(offsetof(PlugInItemRecord, secondCaption) == 793);
static_assert(offsetof(PlugInItemRecord, word1576) == 1576);
static_assert(offsetof(PlugInItemRecord, word1580) == 1580);
static_assert(offsetof(PlugInItemRecord, hostGap3) == 1584);
static_assert(offsetof(PlugInItemRecord, commandQuery) == 1592);

// Item query answers.
constexpr std::uint32_t kItemFilled = 3;
constexpr std::uint32_t kNoSuchItem = 2;

// The run command over `folder` (the system directory when null): the library
// window, owned by `owner`, modally, with OLE set up around it and a failure
// shown in a message box. ShowLibraryWindow runs it over the system directory.
std::uint32_t RunLibraryCommand(HWND owner, const char* folder = nullptr) noexcept;

// Command kinds the host asks for.
constexpr std::uint32_t kCommandNoOperation = 1;
constexpr std::uint32_t kCommandAbout = 2;
constexpr std::uint32_t kCommandRun = 4;

}  // namespace libinfo

extern "C" {
void __stdcall InitPlugInLib(libinfo::PlugInLibRecord* record);
std::uint32_t __stdcall ItemQuery(std::uint32_t index, libinfo::PlugInItemRecord* item);
libinfo::CommandProc __stdcall CommandQuery(std::uint32_t kind);
std::uint32_t __stdcall NoOperation(std::uint32_t context, HWND owner);
std::uint32_t __stdcall ShowAbout(std::uint32_t context, HWND owner);
std::uint32_t __stdcall ShowLibraryWindow(std::uint32_t context, HWND owner);
}
