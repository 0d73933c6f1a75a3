#include "win32/activation_context.h"

#include "win32/this_module.h"

namespace pq::win32 {

ModuleActivationContext::ModuleActivationContext() {
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
  request.hModule = ThisModule();
  request.lpResourceName = MAKEINTRESOURCEW(2);
  context_ = CreateActCtxW(&request);
}

ModuleActivationContext::~ModuleActivationContext() {
  if (Loaded()) ReleaseActCtx(context_);
}

ModuleActivationContext::Scope::Scope(const ModuleActivationContext& context) {
  if (context.Loaded()) active_ = ActivateActCtx(context.context_, &cookie_) != FALSE;
}

ModuleActivationContext::Scope::~Scope() {
  if (active_) DeactivateActCtx(0, cookie_);
}

}  // namespace pq::win32
