#include "scan/LibraryScan.h"

#include <algorithm>
#include <string_view>

#include "Owned.h"
#include "scan/OrderedReading.h"
#include "scan/Paths.h"
#include "version/VerInfo.h"

namespace libinfo {

namespace {

constexpr int kMostReaders = 8;

bool ReadVersionData(const std::string& folder, const char* name, LibraryRow& row) {
  const TVersionInfo info(folder + name);
  if (!info.Valid()) return false;
  row = {name, info.FileDescription(), info.ProductName(), info.FileVersion(),
         info.ProductVersion()};
  return true;
}

}  // namespace

LibraryScan::LibraryScan(std::string folder, int readers, EntryReader reader)
    : folder_(std::move(folder)),
      readers_(std::clamp(readers, 1, kMostReaders)),
      reader_(reader ? std::move(reader) : EntryReader(ReadVersionData)) {}

// Under the platform measured here, two threads per processor read about a
// quarter faster than one; more gave little more (docs/performance.md).
int LibraryScan::DefaultReaders() noexcept {
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  return std::clamp(2 * static_cast<int>(system.dwNumberOfProcessors), 2, kMostReaders);
}

bool LibraryScan::IsSkipped(const WIN32_FIND_DATAA& entry) noexcept {
  const std::string_view name = entry.cFileName;
  return name == "." || name == ".." || entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
}

bool LibraryScan::Read(const char* name, LibraryRow& row) const noexcept {
  try {
    return reader_(AddTrailingSeparator(folder_), name, row);
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
  return readers_ == 1 ? ReadAlong(search.get(), entry, stopped, sink)
                       : ReadInParallel(search.get(), entry, stopped, sink);
}

int LibraryScan::ReadAlong(HANDLE search, WIN32_FIND_DATAA& entry, const std::atomic<bool>& stopped,
                           const RowSink& sink) const {
  int rows = 0;
  do {
    if (stopped.load(std::memory_order_acquire)) break;
    if (!IsSkipped(entry) && Pass(entry.cFileName, sink)) ++rows;
  } while (::FindNextFileA(search, &entry));
  return rows;
}

int LibraryScan::ReadInParallel(HANDLE search, WIN32_FIND_DATAA& entry,
                                const std::atomic<bool>& stopped, const RowSink& sink) const {
  OrderedReading reading(
      readers_, stopped, [this](const char* name, LibraryRow& row) { return Read(name, row); },
      sink);
  do {
    if (!IsSkipped(entry) && !reading.Add(entry.cFileName)) break;
  } while (!stopped.load(std::memory_order_acquire) && ::FindNextFileA(search, &entry));
  return reading.Finish();
}

}  // namespace libinfo
