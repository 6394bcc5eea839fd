#include "window/ScanThread.h"

#include "Failure.h"

namespace libinfo {
namespace {

UniqueHandle NewEvent(bool manualReset) {
  UniqueHandle event(::CreateEventA(nullptr, manualReset, FALSE, nullptr));
  if (!event) ThrowLastError("CreateEvent");
  return event;
}

}  // namespace

ScanThread::ScanThread(const LibraryScan& scan, const ScanRunner& runner,
                       std::atomic<bool>& stopped)
    : stopped_(stopped), rowsReady_(NewEvent(false)), finished_(NewEvent(true)) {
  thread_ = std::thread([this, &scan, &runner] { Read(scan, runner); });
}

ScanThread::~ScanThread() {
  stopped_.store(true, std::memory_order_release);
  if (thread_.joinable()) thread_.join();
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
    const std::lock_guard<std::mutex> lock(mutex_);
    first = rows_.empty();
    rows_.push_back(std::move(row));
  }
  // One wake-up per batch: the window thread takes everything waiting.
  if (first) ::SetEvent(rowsReady_.get());
}

std::vector<LibraryRow> ScanThread::TakeRows() {
  std::vector<LibraryRow> taken;
  const std::lock_guard<std::mutex> lock(mutex_);
  taken.swap(rows_);
  return taken;
}

void ScanThread::Join() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace libinfo
