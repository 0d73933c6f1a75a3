#include "win32/activation_context.h"

#include <mutex>

#include "win32/this_module.h"

namespace pq::win32 {
namespace {

// The manifest is read once for the process: each frame's thread takes a
// reference on the same context.
std::mutex shared_lock;
HANDLE shared_context = INVALID_HANDLE_VALUE;

}  // namespace

ModuleActivationContext::ModuleActivationContext() {
  const std::lock_guard<std::mutex> hold(shared_lock);
  if (shared_context == INVALID_HANDLE_VALUE) {
    // The loader made the module's context from the same resource when it
    // loaded the module: taken over, the manifest is not read a second time.
    ACTIVATION_CONTEXT_BASIC_INFORMATION loaded{};
    if (QueryActCtxW(QUERY_ACTCTX_FLAG_ACTCTX_IS_HMODULE | QUERY_ACTCTX_FLAG_NO_ADDREF,
                     ThisModule(), nullptr, ActivationContextBasicInformation, &loaded,
                     sizeof loaded, nullptr) &&
        loaded.hActCtx) {
      AddRefActCtx(loaded.hActCtx);
      shared_context = loaded.hActCtx;
    }
  }
  if (shared_context == INVALID_HANDLE_VALUE) {
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    request.hModule = ThisModule();
    request.lpResourceName = MAKEINTRESOURCEW(2);
    // A failure is tried again by the next window.
    shared_context = CreateActCtxW(&request);
  }
  if (shared_context == INVALID_HANDLE_VALUE) return;
  AddRefActCtx(shared_context);
  context_ = shared_context;
}

void ModuleActivationContext::ReleaseShared() {
  const std::lock_guard<std::mutex> hold(shared_lock);
  if (shared_context == INVALID_HANDLE_VALUE) return;
  ReleaseActCtx(shared_context);
  shared_context = INVALID_HANDLE_VALUE;
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
