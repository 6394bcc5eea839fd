#include "scan/JoinedThread.h"

#include "Failure.h"

namespace libinfo {

void JoinedThread::Start(std::function<void()> body) {
  body_ = std::move(body);
  thread_.reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
  if (!thread_) ThrowLastError("CreateThread");
}

DWORD WINAPI JoinedThread::Run(void* self) noexcept {
  try {
    static_cast<JoinedThread*>(self)->body_();
  } catch (...) {
    // The body reports its own failures; none may end the process.
  }
  return 0;
}

void JoinedThread::WaitPlainly(HANDLE object) noexcept {
  ::WaitForSingleObject(object, INFINITE);
}

void JoinedThread::Join(Wait wait) noexcept {
  if (!thread_) return;
  wait(thread_.get());
  thread_.reset();
}

}  // namespace libinfo
