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
  // Reads one entry: the row of the file `name` in the folder whose path,
  // with its trailing separator, is `folder`; false where it has none.
  // Called on the readers' threads, several at once.
  using EntryReader =
      std::function<bool(const std::string& folder, const char* name, LibraryRow& row)>;

  // `readers` threads read the entries (one: the walking thread reads them
  // itself); `reader` reads each (the file's version data when empty).
  explicit LibraryScan(std::string folder, int readers = DefaultReaders(), EntryReader reader = {});

  [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }
  [[nodiscard]] int Readers() const noexcept { return readers_; }

  // Two readers per processor, at least 2 and at most 8.
  [[nodiscard]] static int DefaultReaders() noexcept;

  // Hands every file with version data to `sink`, in enumeration order,
  // until the folder ends or `stopped` is set (looked at before each entry);
  // returns the rows handed out. A failure to read one entry, or of the sink
  // to take its row, is that entry's alone: the entry is skipped. The sink
  // is called on one thread at a time, not always the same one.
  int Run(const std::atomic<bool>& stopped, const RowSink& sink) const;

  // Entries never probed: "." and "..", and plain sub-directories (a
  // directory with further attribute bits is probed and yields nothing).
  [[nodiscard]] static bool IsSkipped(const WIN32_FIND_DATAA& entry) noexcept;

 private:
  int ReadAlong(HANDLE search, WIN32_FIND_DATAA& entry, const std::atomic<bool>& stopped,
                const RowSink& sink) const;
  int ReadInParallel(HANDLE search, WIN32_FIND_DATAA& entry, const std::atomic<bool>& stopped,
                     const RowSink& sink) const;
  [[nodiscard]] bool Read(const char* name, LibraryRow& row) const noexcept;
  [[nodiscard]] bool Pass(const char* name, const RowSink& sink) const noexcept;

  std::string folder_;
  int readers_;
  EntryReader reader_;
};

// How a window runs its scans: LibraryScan::Run unless a test puts a
// failure of its own in between.
using ScanRunner = std::function<int(const LibraryScan& scan, const std::atomic<bool>& stopped,
                                     const LibraryScan::RowSink& sink)>;

}  // namespace libinfo
