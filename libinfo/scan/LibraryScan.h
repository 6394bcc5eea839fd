// The walk over one folder that reads every file's version data in the
// folder's own order. It knows nothing of windows: the library window runs it
// on a reading thread of its own, the benchmark runs it bare.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "rows/LibraryRow.h"

namespace libinfo {

class LibraryScan {
 public:
  using RowSink = std::function<void(LibraryRow&&)>;

  explicit LibraryScan(std::string folder) : folder_(std::move(folder)) {}

  [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }

  // Hands every file with version data to `sink`, in enumeration order,
  // until the folder ends or `stopped` is set (looked at before each entry);
  // returns the rows handed out. A failure to read one entry, or of the sink
  // to take its row, is that entry's alone: the entry is skipped.
  int Run(const std::atomic<bool>& stopped, const RowSink& sink) const;

  // Entries never probed: "." and "..", and plain sub-directories (a
  // directory with further attribute bits is probed and yields nothing).
  [[nodiscard]] static bool IsSkipped(const WIN32_FIND_DATAA& entry) noexcept;

 private:
  [[nodiscard]] bool Read(const char* name, LibraryRow& row) const noexcept;
  [[nodiscard]] bool Pass(const char* name, const RowSink& sink) const noexcept;

  std::string folder_;
};

// How a window runs its scans: LibraryScan::Run unless a test puts a
// failure of its own in between.
using ScanRunner = std::function<int(const LibraryScan& scan, const std::atomic<bool>& stopped,
                                     const LibraryScan::RowSink& sink)>;

}  // namespace libinfo
