#include "scan/OrderedReading.h"

#include <mutex>

namespace libinfo {

OrderedReading::OrderedReading(int readers, const std::atomic<bool>& stopped, ReadEntry read,
                               RowSink sink)
    : stopped_(stopped), read_(std::move(read)), sink_(std::move(sink)), slots_(kWindow) {
  try {
    for (int started = 0; started < readers; ++started) {
      auto reader = std::make_unique<JoinedThread>();
      reader->Start([this] { ReadUntilDone(); });
      readers_.push_back(std::move(reader));
    }
  } catch (...) {
    // Fewer readers read as well, only slower; with none, the walk reads.
  }
}

// A walk that ended early (a failure of its own) waits for no more reading
// than the readers have at hand.
OrderedReading::~OrderedReading() {
  {
    const std::lock_guard<SlimLock> hold(lock_);
    walkOver_ = true;
    abandoned_ = true;
  }
  JoinReaders();
}

bool OrderedReading::Stopped() const noexcept {
  return stopped_.load(std::memory_order_acquire);
}

bool OrderedReading::Add(const char* name) {
  std::unique_lock<SlimLock> hold(lock_);
  while (!Stopped() && handedOut_ - handedOn_ >= kWindow) lock_.Wait(outcomeRecorded_);
  if (Stopped()) return false;
  const std::uint64_t entry = handedOut_;
  Slot& slot = slots_[entry % kWindow];
  slot.name.assign(name);
  slot.state = State::kWaiting;
  ++handedOut_;
  if (readers_.empty()) {
    hold.unlock();
    ReadInline(entry);
    return true;
  }
  ::WakeConditionVariable(&entryWaiting_);
  return true;
}

int OrderedReading::Finish() {
  {
    std::unique_lock<SlimLock> hold(lock_);
    walkOver_ = true;
    ::WakeAllConditionVariable(&entryWaiting_);
    while (!Stopped() && handedOn_ < handedOut_) lock_.Wait(outcomeRecorded_);
  }
  JoinReaders();
  const std::lock_guard<SlimLock> hold(lock_);
  return rows_;
}

void OrderedReading::JoinReaders() noexcept {
  {
    const std::lock_guard<SlimLock> hold(lock_);
    ::WakeAllConditionVariable(&entryWaiting_);
  }
  for (auto& reader : readers_) reader->Join();
  readers_.clear();
}

// Each reader takes the oldest entry waiting until the walk is over and
// every entry is taken, or the scan is stopped.
void OrderedReading::ReadUntilDone() noexcept {
  std::unique_lock<SlimLock> hold(lock_);
  for (;;) {
    while (!Stopped() && taken_ == handedOut_ && !walkOver_) lock_.Wait(entryWaiting_);
    if (Stopped() || abandoned_ || taken_ == handedOut_) break;
    const std::uint64_t entry = taken_++;
    Slot& slot = slots_[entry % kWindow];
    slot.state = State::kReading;
    const std::string name = std::move(slot.name);
    hold.unlock();
    LibraryRow row;
    const bool hasRow = read_(name.c_str(), row);
    hold.lock();
    Record(entry, hasRow, std::move(row), hold);
  }
  // The walk may be waiting for room that no reader will make any more.
  ::WakeAllConditionVariable(&outcomeRecorded_);
}

void OrderedReading::ReadInline(std::uint64_t entry) noexcept {
  Slot& slot = slots_[entry % kWindow];
  LibraryRow row;
  const bool hasRow = read_(slot.name.c_str(), row);
  std::unique_lock<SlimLock> hold(lock_);
  ++taken_;
  Record(entry, hasRow, std::move(row), hold);
}

// Held by the caller, and held again on return.
void OrderedReading::Record(std::uint64_t entry, bool hasRow, LibraryRow&& row,
                            std::unique_lock<SlimLock>& hold) noexcept {
  Slot& slot = slots_[entry % kWindow];
  slot.row = std::move(row);
  slot.state = hasRow ? State::kRow : State::kSkip;
  HandOnInOrder(hold);
}

// Held by the caller, and held again on return. One thread at a time hands
// the outcomes on, in order, and calls the sink outside the lock: the
// sink's own cost (waking the window thread, say) then holds up no reader
// that records an outcome meanwhile; the thread handing on takes that one
// too. A row the sink cannot take is skipped like an unreadable file.
void OrderedReading::HandOnInOrder(std::unique_lock<SlimLock>& hold) noexcept {
  if (handingOn_) return;
  handingOn_ = true;
  while (handedOn_ < handedOut_) {
    Slot& slot = slots_[handedOn_ % kWindow];
    if (slot.state != State::kRow && slot.state != State::kSkip) break;
    const bool handOn = slot.state == State::kRow && !Stopped();
    LibraryRow row = std::move(slot.row);
    slot.row = {};
    slot.state = State::kFree;
    ++handedOn_;
    ::WakeAllConditionVariable(&outcomeRecorded_);
    if (!handOn) continue;
    hold.unlock();
    bool taken = false;
    try {
      sink_(std::move(row));
      taken = true;
    } catch (...) {
    }
    hold.lock();
    rows_ += taken;
  }
  handingOn_ = false;
}

}  // namespace libinfo
