// The entries of one walk read by a small pool of threads, their rows
// handed on in the walk's own order.
//
// The walking thread hands out names; each reader takes the oldest waiting,
// reads it with buffers of its own and records its outcome, a row or a
// skip. Whoever records an outcome hands on every outcome that is now next
// in order (unless another thread is already at it), so the order never
// waits for more than the slowest entry in flight. At most `kWindow` entries are in flight: the
// walk waits for room, and the readers wake it with every outcome, so Stop reaches it within one
// file's reading.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rows/LibraryRow.h"
#include "scan/JoinedThread.h"
#include "scan/SlimLock.h"

namespace libinfo {

class OrderedReading {
 public:
  using ReadEntry = std::function<bool(const char* name, LibraryRow& row)>;  // must not throw
  using RowSink = std::function<void(LibraryRow&&)>;
  static constexpr std::size_t kWindow = 256;

  // Starts `readers` threads (the walking thread reads for itself where
  // none can be started).
  OrderedReading(int readers, const std::atomic<bool>& stopped, ReadEntry read, RowSink sink);
  OrderedReading(const OrderedReading&) = delete;
  OrderedReading& operator=(const OrderedReading&) = delete;
  // Stops the readers and joins them.
  ~OrderedReading();

  // Hands one entry to the readers, waiting while the window is full; false
  // once the scan is stopped.
  bool Add(const char* name);
  // Waits for the outcome of every entry handed out (or Stop), joins the
  // readers and returns the rows handed on.
  int Finish();

 private:
  enum class State : std::uint8_t { kFree, kWaiting, kReading, kRow, kSkip };
  struct Slot {
    std::string name;
    LibraryRow row;
    State state = State::kFree;
  };

  void ReadUntilDone() noexcept;
  [[nodiscard]] bool Stopped() const noexcept;
  void Record(std::uint64_t entry, bool hasRow, LibraryRow&& row,
              std::unique_lock<SlimLock>& hold) noexcept;
  void HandOnInOrder(std::unique_lock<SlimLock>& hold) noexcept;
  void ReadInline(std::uint64_t entry) noexcept;
  void JoinReaders() noexcept;

  const std::atomic<bool>& stopped_;
  ReadEntry read_;
  RowSink sink_;
  SlimLock lock_;
  CONDITION_VARIABLE entryWaiting_ = CONDITION_VARIABLE_INIT;
  CONDITION_VARIABLE outcomeRecorded_ = CONDITION_VARIABLE_INIT;
  std::vector<Slot> slots_;
  std::uint64_t handedOut_ = 0;  // entries given to the readers
  std::uint64_t taken_ = 0;      // entries a reader has taken
  std::uint64_t handedOn_ = 0;   // outcomes passed on, in order
  bool walkOver_ = false;
  bool abandoned_ = false;
  bool handingOn_ = false;  // a thread is handing outcomes on
  int rows_ = 0;
  std::vector<std::unique_ptr<JoinedThread>> readers_;
};

}  // namespace libinfo
