#include "scan/LibraryScan.h"

#include <string_view>

#include "Owned.h"
#include "version/VerInfo.h"
#include "scan/Paths.h"

namespace libinfo {

bool LibraryScan::IsSkipped(const WIN32_FIND_DATAA& entry) noexcept {
  const std::string_view name = entry.cFileName;
  return name == "." || name == ".." || entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
}

bool LibraryScan::Read(const char* name, LibraryRow& row) const noexcept {
  try {
    const TVersionInfo info(AddTrailingSeparator(folder_) + name);
    if (!info.Valid()) return false;
    row = {name, info.FileDescription(), info.ProductName(), info.FileVersion(),
           info.ProductVersion()};
    return true;
  } catch (...) {
    // One unreadable entry never ends the scan, and is not worth a message.
    return false;
  }
}

// Reading the entry and storing its row are both the entry's own: a row the
// sink cannot take (out of memory in its queue, say) is skipped like an
// unreadable file, and the scan goes on.
bool LibraryScan::Pass(const char* name, const RowSink& sink) const noexcept {
  try {
    LibraryRow row;
    if (!Read(name, row)) return false;
    sink(std::move(row));
    return true;
  } catch (...) {
    return false;
  }
}

int LibraryScan::Run(const std::atomic<bool>& stopped, const RowSink& sink) const {
  // Without a folder the pattern would search the current drive's root.
  if (folder_.empty()) return 0;
  WIN32_FIND_DATAA entry{};
  const UniqueFind search(::FindFirstFileA((folder_ + "\\*.*").c_str(), &entry));
  if (!search) return 0;
  int rows = 0;
  do {
    if (stopped.load(std::memory_order_acquire)) break;
    if (!IsSkipped(entry) && Pass(entry.cFileName, sink)) ++rows;
  } while (::FindNextFileA(search.get(), &entry));
  return rows;
}

}  // namespace libinfo
