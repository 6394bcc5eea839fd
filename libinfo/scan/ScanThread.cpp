#include "scan/ScanThread.h"

#include "Failure.h"
#include "Waiting.h"

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
  JoinWhenEnded();
}

// The runtime's thread start and end, and its join, take one lock of its
// own that lives as long as the module. Joining while the thread is still
// on its way out collides there, and the first collision gives that lock an
// event that is never closed: a handle left in the host for every load of
// the plug-in. Joining a thread that has ended collides with nothing.
void ScanThread::JoinWhenEnded() noexcept {
  if (!thread_.joinable()) return;
  // The owner is the window thread: what others send it is answered meanwhile.
  WaitAnsweringSentMessages(finished_.get());
  if (self_) WaitAnsweringSentMessages(self_.get());
  thread_.join();
}

void ScanThread::Read(const LibraryScan& scan, const ScanRunner& runner) noexcept {
  HANDLE self = nullptr;
  if (::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self,
                        SYNCHRONIZE, FALSE, 0)) {
    self_.reset(self);
  }
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
  JoinWhenEnded();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace libinfo
