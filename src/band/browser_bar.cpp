#include "band/browser_bar.h"

#include <exdisp.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>

#include "platform/error.h"

namespace pq::band {
namespace {

class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

class BstrVariant {
 public:
  explicit BstrVariant(const std::string& text) {
    VariantInit(&value_);
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), value_.bstrVal,
                        length);
  }
  ~BstrVariant() { VariantClear(&value_); }
  BstrVariant(const BstrVariant&) = delete;
  BstrVariant& operator=(const BstrVariant&) = delete;
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

// A browser without bars on request (E_NOTIMPL) leaves showing the band to the
// user; the registration itself has been done and stays good.
void Check(HRESULT result) {
  if (FAILED(result) && result != E_NOTIMPL) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
    throw Error(std::string("The browser could not show the band: 0x") + code);
  }
}

}  // namespace

void ShowBandInBrowser(const std::string& class_id) {
  ComApartment apartment;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser;
  if (FAILED(CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                              IID_PPV_ARGS(&browser))))
    throw Error("The browser could not be started");
  BstrVariant id(class_id);
  VARIANT empty;
  VariantInit(&empty);
  Check(browser->ShowBrowserBar(id.get(), &empty, &empty));
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_BOOL;
  show.boolVal = VARIANT_TRUE;
  Check(browser->ShowBrowserBar(id.get(), &show, &empty));
}

}  // namespace pq::band
