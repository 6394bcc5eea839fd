#include "scan/ScanThread.h"

#include <mutex>

#include "Failure.h"
#include "Waiting.h"

namespace libinfo {

ScanThread::ScanThread(const LibraryScan& scan, const ScanRunner& runner,
                       std::atomic<bool>& stopped)
    : stopped_(stopped),
      rowsReady_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      finished_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (!rowsReady_ || !finished_) ThrowLastError("CreateEvent");
  thread_.Start([this, &scan, &runner] { Read(scan, runner); });
}

// The owner is the window thread: what others send it is answered while the
// reading finishes its file.
ScanThread::~ScanThread() {
  stopped_.store(true, std::memory_order_release);
  thread_.Join(WaitAnsweringSentMessages);
}

void ScanThread::Read(const LibraryScan& scan, const ScanRunner& runner) noexcept {
  try {
    const LibraryScan::RowSink sink = [this](LibraryRow&& row) { Queue(std::move(row)); };
    if (runner) {
      runner(scan, stopped_, sink);
    } else {
      scan.Run(stopped_, sink);
    }
  } catch (...) {
    failure_ = std::current_exception();
  }
  ::SetEvent(finished_.get());
}

void ScanThread::Queue(LibraryRow&& row) {
  bool first = false;
  {
    const std::lock_guard<SlimLock> hold(lock_);
    first = rows_.empty();
    rows_.push_back(std::move(row));
  }
  // One wake-up per batch: the window thread takes everything waiting.
  if (first) ::SetEvent(rowsReady_.get());
}

std::vector<LibraryRow> ScanThread::TakeRows() {
  std::vector<LibraryRow> taken;
  const std::lock_guard<SlimLock> hold(lock_);
  taken.swap(rows_);
  return taken;
}

void ScanThread::Join() {
  thread_.Join(WaitAnsweringSentMessages);
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace libinfo
