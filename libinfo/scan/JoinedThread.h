// A thread of the scan's own, made and joined through the platform itself.
//
// The runtime's own threads take one lock of the runtime's at their start,
// at their end and at their join. Threads that start or end together
// collide there, and a collision gives that lock an event that lives as
// long as the module: a handle left in the host for every load of the
// plug-in. The platform's threads take no such lock.
#pragma once

#include <windows.h>

#include <functional>

#include "Owned.h"

namespace libinfo {

class JoinedThread {
 public:
  // How the joining thread waits: plainly, or answering what others send
  // the window thread meanwhile.
  using Wait = void (*)(HANDLE object) noexcept;

  JoinedThread() = default;
  JoinedThread(const JoinedThread&) = delete;
  JoinedThread& operator=(const JoinedThread&) = delete;
  ~JoinedThread() { Join(); }

  // Runs `body` on the new thread; throws where no thread can be started.
  void Start(std::function<void()> body);
  // Signalled once the thread has ended; null before Start.
  [[nodiscard]] HANDLE Ended() const noexcept { return thread_.get(); }
  void Join(Wait wait = WaitPlainly) noexcept;

  static void WaitPlainly(HANDLE object) noexcept;

 private:
  static DWORD WINAPI Run(void* self) noexcept;

  std::function<void()> body_;
  UniqueHandle thread_;
};

}  // namespace libinfo
