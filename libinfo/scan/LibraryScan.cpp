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

int LibraryScan::Run(const std::atomic<bool>& stopped, const RowSink& sink) const {
  WIN32_FIND_DATAA entry{};
  const UniqueFind search(::FindFirstFileA((folder_ + "\\*.*").c_str(), &entry));
  if (!search) return 0;
  int rows = 0;
  do {
    if (stopped.load(std::memory_order_acquire)) break;
    LibraryRow row;
    if (IsSkipped(entry) || !Read(entry.cFileName, row)) continue;
    sink(std::move(row));
    ++rows;
  } while (::FindNextFileA(search.get(), &entry));
  return rows;
}

}  // namespace libinfo
