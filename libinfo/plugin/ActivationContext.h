// The plug-in's own activation context, made from its manifest resource:
// while it is active, the controls the plug-in makes are those of the common
// controls of version 6, with visual styles, whatever the host asked for.
// A window procedure runs in whatever context its caller has, so the context
// stays active for the whole of a command, not only while windows are made.
#pragma once

#include <windows.h>

#include "Owned.h"

namespace libinfo {

namespace close {
inline void ActivationContext(HANDLE h) noexcept {
  ::ReleaseActCtx(h);
}
}  // namespace close

using UniqueActivationContext = Owned<HANDLE, close::ActivationContext, -1>;

// Made and activated for the scope of one command; where the context cannot
// be made, the host's stays in force and nothing is reported.
class OwnActivationScope {
 public:
  OwnActivationScope() noexcept;
  OwnActivationScope(const OwnActivationScope&) = delete;
  OwnActivationScope& operator=(const OwnActivationScope&) = delete;
  ~OwnActivationScope();

  [[nodiscard]] bool Active() const noexcept { return active_; }

 private:
  UniqueActivationContext context_;
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

}  // namespace libinfo
