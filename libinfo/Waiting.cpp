#include "Waiting.h"

namespace libinfo {

void AnswerSentMessages() noexcept {
  // A peek delivers the messages sent to this thread; none posted is taken.
  MSG msg;
  ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void WaitAnsweringSentMessages(HANDLE object) noexcept {
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &object, INFINITE, QS_SENDMESSAGE, 0);
    if (woke == WAIT_OBJECT_0 + 1) {
      AnswerSentMessages();
      continue;
    }
    // A wait that cannot watch the queue still must not return early.
    if (woke == WAIT_FAILED) ::WaitForSingleObject(object, INFINITE);
    return;
  }
}

}  // namespace libinfo
