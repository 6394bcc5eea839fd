// One scan on a reading thread of its own. The reading thread walks the
// folder and queues the rows; the window thread waits for its input and for
// the two events here, takes the rows in batches and never touches the disk.
// Nothing on the reading thread touches a window.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <vector>

#include "Owned.h"
#include "scan/JoinedThread.h"
#include "scan/LibraryScan.h"
#include "scan/SlimLock.h"

namespace libinfo {

class ScanThread {
 public:
  // Starts reading at once. `stopped` is looked at before each entry, and
  // set when this object goes, so that no reading thread outlives the scan.
  ScanThread(const LibraryScan& scan, const ScanRunner& runner, std::atomic<bool>& stopped);
  ScanThread(const ScanThread&) = delete;
  ScanThread& operator=(const ScanThread&) = delete;
  ~ScanThread();

  // Set when rows are waiting (and reset by the wait that sees it).
  [[nodiscard]] HANDLE RowsReady() const noexcept { return rowsReady_.get(); }
  // Set once the reading is over, however it ended.
  [[nodiscard]] HANDLE Finished() const noexcept { return finished_.get(); }

  // The rows read since the last call, in folder order.
  [[nodiscard]] std::vector<LibraryRow> TakeRows();

  // Waits for the reading thread to end; a failure that ended it is thrown
  // here, on the window thread.
  void Join();

 private:
  void Read(const LibraryScan& scan, const ScanRunner& runner) noexcept;
  void Queue(LibraryRow&& row);

  std::atomic<bool>& stopped_;
  UniqueHandle rowsReady_;
  UniqueHandle finished_;
  SlimLock lock_;
  std::vector<LibraryRow> rows_;
  std::exception_ptr failure_;
  JoinedThread thread_;
};

}  // namespace libinfo
