#include "common/HeldReading.h"

#include <string>

namespace libinfo::testing {
namespace {

UniqueHandle ManualEvent() {
  return UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

// Longer than the reading holds without a release: an unanswered send ends
// only after the reading has.
constexpr DWORD kSendTimeout = HeldReading::kLongestHold - 2000;

}  // namespace

HeldReading::HeldReading() : holding_(ManualEvent()), release_(ManualEvent()) {}

ScanRunner HeldReading::Runner() {
  return [this](const LibraryScan&, const std::atomic<bool>& stopped,
                const LibraryScan::RowSink& sink) {
    int rows = 0;
    while (!stopped.load()) {
      sink({"library" + std::to_string(rows++) + ".dll", "text", "text", "text", "text"});
      ::Sleep(1);
    }
    ::SetEvent(holding_.get());
    released_ = ::WaitForSingleObject(release_.get(), kLongestHold) == WAIT_OBJECT_0;
    return rows;
  };
}

SenderWhileHeld::SenderWhileHeld(HWND window, HeldReading& reading)
    : thread_([this, window, &reading] {
        if (::WaitForSingleObject(reading.Holding(), 30000) != WAIT_OBJECT_0) return;
        char text[64] = {};
        DWORD_PTR length = 0;
        if (::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                  SMTO_NORMAL, kSendTimeout, &length)) {
          answer_.assign(text, length);
        }
        reading.Release();
      }) {}

SenderWhileHeld::~SenderWhileHeld() {
  if (thread_.joinable()) thread_.join();
}

const std::string& SenderWhileHeld::Answer() {
  if (thread_.joinable()) thread_.join();
  return answer_;
}

}  // namespace libinfo::testing
