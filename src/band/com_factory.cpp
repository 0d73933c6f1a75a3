#include "band/com_factory.h"

#include <exception>
#include <utility>

#include "win32/com_support.h"
#include "win32/wide_text.h"

namespace pq::band {
namespace {

// The error box's text: a sentence gets its full stop.
std::string ErrorBoxText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

void ShowCreationError(const char* message) {
  MessageBoxW(nullptr, win32::Wide(ErrorBoxText(message)).c_str(), L"DAX Error",
              MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

}  // namespace

ComObjectFactory::ComObjectFactory(ComServer& server, const CLSID& class_id,
                                   std::string description)
    : server_(server), class_id_(class_id), description_(std::move(description)) {
  server_.AddFactory(this);
}

ComObjectFactory::~ComObjectFactory() { server_.RemoveFactory(this); }

STDMETHODIMP ComObjectFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  return win32::Guarded([&]() -> HRESULT {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An aggregate can only hold the inner object by its own IUnknown.
    if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    Microsoft::WRL::ComPtr<IUnknown> object;
    try {
      object = CreateComObject(outer);
    } catch (const std::exception& error) {
      ShowCreationError(error.what());
      return E_UNEXPECTED;
    } catch (...) {
      ShowCreationError("");
      return E_UNEXPECTED;
    }
    // Releasing `object` frees it when the query failed.
    return object->QueryInterface(riid, ppv);
  });
}

STDMETHODIMP ComObjectFactory::LockServer(BOOL lock) {
  return win32::Guarded([&] {
    // A lock of the whole module, whatever thread or apartment takes or gives
    // it back: COM's external locks are an apartment's own, and a lock given
    // back in another apartment kept the module loaded for good.
    if (lock) {
      ++locks_;
      server_.AddObject();
      return S_OK;
    }
    // An unlock without a lock must not take another object's count.
    long held = locks_.load();
    while (held > 0 && !locks_.compare_exchange_weak(held, held - 1)) {
    }
    if (held <= 0) return E_UNEXPECTED;
    server_.ReleaseObject();
    return S_OK;
  });
}

}  // namespace pq::band
