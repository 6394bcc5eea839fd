#include "window/Clipboard.h"

#include <cstring>
#include <utility>

#include "CodePage.h"
#include "Failure.h"
#include "Owned.h"

namespace libinfo {

namespace {

// A movable block holding the text and its terminator, as the clipboard takes it.
template <typename Char>
UniqueGlobal GlobalCopy(std::basic_string_view<Char> text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(Char);
  UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!block) throw Failure("There is not enough memory to copy the rows.");
  auto* data = static_cast<Char*>(::GlobalLock(block.get()));
  if (!data) ThrowLastError("GlobalLock");
  std::memcpy(data, text.data(), text.size() * sizeof(Char));
  data[text.size()] = Char{};
  ::GlobalUnlock(block.get());
  return block;
}

// Holds the clipboard open for its lifetime, if it could be opened at all.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) noexcept {
    // A program that watches the clipboard opens it for a moment after every
    // change; a few short tries spare the user a message for that.
    for (int attempt = 0; attempt < kAttempts && !open_; ++attempt) {
      if (attempt > 0) ::Sleep(kPauseMs);
      open_ = ::OpenClipboard(owner) != FALSE;
    }
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  ~ClipboardSession() {
    if (open_) ::CloseClipboard();
  }
  [[nodiscard]] bool IsOpen() const noexcept { return open_; }

 private:
  static constexpr int kAttempts = 5;
  static constexpr DWORD kPauseMs = 20;
  bool open_ = false;
};

void PutOnClipboard(UINT format, UniqueGlobal block) {
  if (!::SetClipboardData(format, block.get())) ThrowLastError("SetClipboardData");
  (void)block.release();  // the clipboard owns it now
}

}  // namespace

// False, with the clipboard untouched, when another program holds it. Both
// blocks are ready before the clipboard is emptied, so running out of memory
// cannot leave it empty either.
bool PutTextOnClipboard(HWND owner, const std::string& ansi) {
  UniqueGlobal unicode = GlobalCopy<wchar_t>(WideText(ansi));
  UniqueGlobal narrow = GlobalCopy<char>(ansi);
  const ClipboardSession clipboard(owner);
  if (!clipboard.IsOpen()) return false;
  if (!::EmptyClipboard()) ThrowLastError("EmptyClipboard");
  PutOnClipboard(CF_UNICODETEXT, std::move(unicode));
  PutOnClipboard(CF_TEXT, std::move(narrow));
  return true;
}

}  // namespace libinfo
