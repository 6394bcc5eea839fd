#include "plugin/ActivationContext.h"

#include "window/Form.h"

namespace libinfo {
namespace {

constexpr WORD kOwnManifest = 2;  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID

UniqueActivationContext OwnContext() noexcept {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(ModuleInstance(), path, sizeof path);
  if (length == 0 || length >= sizeof path) return {};
  ACTCTXA request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path;
  request.hModule = ModuleInstance();
  request.lpResourceName = MAKEINTRESOURCEA(kOwnManifest);
  return UniqueActivationContext(::CreateActCtxA(&request));
}

}  // namespace

OwnActivationScope::OwnActivationScope() noexcept : context_(OwnContext()) {
  active_ = context_ && ::ActivateActCtx(context_.get(), &cookie_);
}

OwnActivationScope::~OwnActivationScope() {
  if (active_) ::DeactivateActCtx(0, cookie_);
}

}  // namespace libinfo
