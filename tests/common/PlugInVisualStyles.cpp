#include "common/PlugInVisualStyles.h"

#include <string>

namespace libinfo::testing {

bool PlugInVisualStyles::ActivateIfAsked() noexcept {
  char asked[8] = {};
  if (::GetEnvironmentVariableA(kVisualStylesVariable, asked, sizeof asked) == 0) return true;
  char program[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, program, sizeof program);
  std::string plugIn(program);
  plugIn = plugIn.substr(0, plugIn.find_last_of('\\') + 1) + "libinfo.pdl";
  ACTCTXA request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = plugIn.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(2);
  context_ = ::CreateActCtxA(&request);
  return context_ != INVALID_HANDLE_VALUE && ::ActivateActCtx(context_, &cookie_);
}

PlugInVisualStyles::~PlugInVisualStyles() {
  if (cookie_) ::DeactivateActCtx(0, cookie_);
  if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
}

}  // namespace libinfo::testing
