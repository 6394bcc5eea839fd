// A loaded plug-in library with the records it filled in when the host asked.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Owned.h"
#include "plugin/PlugIntf.h"

namespace plughost {

// What the host writes into every record before the plug-in sees it, so
// that anything the plug-in left alone can be told from what it wrote.
constexpr std::uint8_t kRecordSentinel = 0xA5;

// Item indexes start at 1; a plug-in that never says "no more" is cut off here.
constexpr std::uint32_t kMaxItems = 64;

class PlugIn {
 public:
  // Loads the library at the path, then asks for the library record and
  // every item record. Throws HostError when the library cannot be used.
  [[nodiscard]] static PlugIn Load(const std::string& path);

  [[nodiscard]] const std::string& Path() const noexcept { return path_; }
  [[nodiscard]] const libinfo::PlugInLibRecord& Library() const noexcept { return library_; }
  [[nodiscard]] const std::vector<libinfo::PlugInItemRecord>& Items() const noexcept {
    return items_;
  }

  // The item's procedure for the command kind, or null when it has none.
  // Throws HostError when the answer points outside the plug-in.
  [[nodiscard]] libinfo::CommandProc Command(std::size_t item, std::uint32_t kind) const;

  // Code addresses the plug-in hands out must lie inside its own image.
  [[nodiscard]] bool Contains(std::uintptr_t address) const noexcept;
  [[nodiscard]] std::uintptr_t Base() const noexcept;

 private:
  PlugIn(std::string path, libinfo::UniqueModule module);
  void QueryLibrary();
  void QueryItems();
  void RequireCode(std::uintptr_t address, const std::string& what) const;

  std::string path_;
  libinfo::UniqueModule module_;
  std::uintptr_t imageSize_ = 0;
  libinfo::PlugInLibRecord library_{};
  std::vector<libinfo::PlugInItemRecord> items_;
};

// The default plug-in: libinfo.pdl in the directory of this program.
[[nodiscard]] std::string DefaultPlugInPath();

// A full path, so that the loader takes exactly this file and searches nowhere.
[[nodiscard]] std::string FullPath(const std::string& path);

}  // namespace plughost
