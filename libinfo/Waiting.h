// Waiting on the host's GUI thread without going deaf: other threads and
// programs that send this thread's windows a message are answered while the
// wait lasts.
#pragma once

#include <windows.h>

namespace libinfo {

// Answers the messages sent to this thread that are waiting; nothing posted
// is taken from the queue.
void AnswerSentMessages() noexcept;

// Waits until `object` is signalled, answering sent messages meanwhile.
// Posted messages and input stay queued: they are not what this wait is for,
// and waking on them would spin while one waits unhandled.
void WaitAnsweringSentMessages(HANDLE object) noexcept;

}  // namespace libinfo
