#pragma once
// An object that answers IUnknown alone and counts its references without
// ever freeing itself: a stand-in outer object or site that tests inspect.
#include <unknwn.h>

#include <atomic>

namespace pq::testing {

class CountingUnknown : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  std::atomic<ULONG> references{1};
};

}  // namespace pq::testing
