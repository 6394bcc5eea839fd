#include "Describe.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace plughost {
namespace {

using libinfo::PlugInItemRecord;
using libinfo::PlugInLibRecord;

// Command kinds this host offers to the user.
constexpr std::uint32_t kOfferedKinds[] = {libinfo::kCommandNoOperation, libinfo::kCommandAbout,
                                           libinfo::kCommandRun};

// Words as 8 hex digits, addresses as wide as this host's code addresses.
std::string Hex(std::uint64_t value, int digits = 8) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

constexpr int kAddressDigits = 2 * sizeof(void*);

std::string Quoted(const char* text) {
  std::string quoted = "\"";
  for (; *text; ++text) {
    const auto c = static_cast<unsigned char>(*text);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      quoted += escape;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

bool KeepsSentinel(const std::uint8_t* bytes, std::size_t size) noexcept {
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != kRecordSentinel) return false;
  }
  return true;
}

// Reads fields by offset from the raw record, so the text shows exactly the
// bytes the plug-in left and not what a compiler thinks the fields are.
class RecordPrinter {
 public:
  RecordPrinter(std::string& out, std::string prefix, const void* record, const PlugIn& plugIn)
      : out_(out),
        prefix_(std::move(prefix)),
        bytes_(static_cast<const std::uint8_t*>(record)),
        plugIn_(plugIn) {}

  void Gap(const char* name, std::size_t offset, std::size_t size) {
    const std::string range = std::to_string(offset) + "-" + std::to_string(offset + size - 1);
    Line(name, range, KeepsSentinel(bytes_ + offset, size) ? "untouched" : "changed");
  }

  void Text(const char* name, std::size_t offset) {
    const auto text = reinterpret_cast<const char*>(bytes_ + offset);
    const std::size_t length = strnlen(text, libinfo::kRecordTextSize);
    if (length == libinfo::kRecordTextSize) {
      Line(name, std::to_string(offset), "<no terminator>");
      return;
    }
    std::string value = Quoted(text);
    const std::size_t tail = libinfo::kRecordTextSize - length - 1;
    if (!KeepsSentinel(bytes_ + offset + length + 1, tail)) value += " (bytes after it changed)";
    Line(name, std::to_string(offset), value);
  }

  void Word(const char* name, std::size_t offset) {
    const std::uint32_t value = Read(offset);
    Line(name, std::to_string(offset), std::to_string(value) + " (" + Hex(value) + ")");
  }

  void Procedure(const char* name, std::size_t offset) {
    std::uintptr_t address;
    std::memcpy(&address, bytes_ + offset, sizeof address);
    Line(name, std::to_string(offset), Address(address));
  }

  void Command(std::size_t item, std::uint32_t kind) {
    const auto procedure = reinterpret_cast<std::uintptr_t>(plugIn_.Command(item, kind));
    out_ += prefix_ + ".command" + std::to_string(kind) + "=" + Address(procedure) + "\n";
  }

 private:
  [[nodiscard]] std::uint32_t Read(std::size_t offset) const noexcept {
    std::uint32_t value;
    std::memcpy(&value, bytes_ + offset, sizeof value);
    return value;
  }

  [[nodiscard]] std::string Address(std::uintptr_t address) const {
    if (address == 0) return "0";
    if (!plugIn_.Contains(address)) return "outside " + Hex(address, kAddressDigits);
    return "base+" + Hex(address - plugIn_.Base());
  }

  void Line(const char* name, const std::string& at, const std::string& value) {
    out_ += prefix_ + "." + name + "@" + at + "=" + value + "\n";
  }

  std::string& out_;
  std::string prefix_;
  const std::uint8_t* bytes_;
  const PlugIn& plugIn_;
};

#define LIB_FIELD(field) #field, offsetof(PlugInLibRecord, field)
#define LIB_GAP(field) LIB_FIELD(field), sizeof(PlugInLibRecord::field)
#define ITEM_FIELD(field) #field, offsetof(PlugInItemRecord, field)
#define ITEM_GAP(field) ITEM_FIELD(field), sizeof(PlugInItemRecord::field)

void DescribeLibrary(std::string& out, const PlugIn& plugIn) {
  RecordPrinter lib(out, "lib", &plugIn.Library(), plugIn);
  lib.Gap(LIB_GAP(hostHeader));
  lib.Text(LIB_FIELD(fileName));
  lib.Gap(LIB_GAP(hostGap1));
  lib.Word(LIB_FIELD(word268));
  lib.Word(LIB_FIELD(word272));
  lib.Word(LIB_FIELD(word276));
  lib.Text(LIB_FIELD(copyright));
  lib.Gap(LIB_GAP(hostGap2));
  lib.Word(LIB_FIELD(word804));
  lib.Word(LIB_FIELD(word808));
  lib.Procedure(LIB_FIELD(itemQuery));
  lib.Word(LIB_FIELD(word816));
  lib.Word(LIB_FIELD(word820));
}

void DescribeItem(std::string& out, const PlugIn& plugIn, std::size_t index) {
  RecordPrinter item(out, "item" + std::to_string(index + 1), &plugIn.Items()[index], plugIn);
  item.Gap(ITEM_GAP(hostHeader));
  item.Text(ITEM_FIELD(name));
  item.Text(ITEM_FIELD(description));
  item.Gap(ITEM_GAP(hostGap1));
  item.Word(ITEM_FIELD(word528));
  item.Text(ITEM_FIELD(caption));
  item.Text(ITEM_FIELD(secondCaption));
  item.Gap(ITEM_GAP(hostGap2));
  item.Word(ITEM_FIELD(word1576));
  item.Word(ITEM_FIELD(word1580));
  item.Gap(ITEM_GAP(hostGap3));
  item.Procedure(ITEM_FIELD(commandQuery));
  for (const std::uint32_t kind : kOfferedKinds) item.Command(index, kind);
}

}  // namespace

std::string Describe(const PlugIn& plugIn) {
  std::string out = "path=" + plugIn.Path() + "\n";
  DescribeLibrary(out, plugIn);
  out += "items=" + std::to_string(plugIn.Items().size()) + "\n";
  for (std::size_t index = 0; index < plugIn.Items().size(); ++index) {
    DescribeItem(out, plugIn, index);
  }
  return out;
}

}  // namespace plughost
