#include "band/browser_bar.h"

#include <exdisp.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>

#include "platform/error.h"
#include "win32/com_support.h"

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

// A browser without bars on request (E_NOTIMPL) leaves showing the band to the
// user; the registration itself has been done and stays good.
void Check(HRESULT result) {
  if (FAILED(result) && result != E_NOTIMPL) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
    throw Error(std::string("The browser could not show the band: 0x") + code);
  }
}

// Failures of a browser process that is on its way out: one started for the
// registration before may still hold the class's registration while it ends,
// and the request may reach it as it goes (the call itself then fails).
bool ServerIsEnding(HRESULT result) {
  return result == RPC_E_DISCONNECTED || result == RPC_E_SERVER_DIED ||
         result == RPC_E_SERVER_DIED_DNE || result == CO_E_OBJNOTCONNECTED ||
         result == CO_E_SERVER_STOPPING || result == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
         result == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) ||
         result == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE);
}

}  // namespace

void ShowBandInBrowser(const std::string& class_id) {
  ComApartment apartment;
  win32::Variant id = win32::Variant::Text(class_id);
  win32::Variant empty;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser;
  // A browser that is ending answers at once with one of the errors above,
  // to the request that would start it or to the first call it gets; the
  // next request starts a new one. A few tries spread over a second suffice.
  HRESULT created = E_FAIL, shown = E_FAIL;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (attempt > 0) Sleep(200);
    browser.Reset();
    shown = E_FAIL;
    created = CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_PPV_ARGS(&browser));
    if (SUCCEEDED(created)) shown = browser->ShowBrowserBar(id.get(), empty.get(), empty.get());
    // Every browser has IWebBrowser2: one that is ending may fail to say so.
    if (!ServerIsEnding(created) && created != E_NOINTERFACE && !ServerIsEnding(shown)) break;
  }
  if (FAILED(created)) throw win32::ComError(created, "The browser could not be started");
  Check(shown);
  Check(browser->ShowBrowserBar(id.get(), win32::Variant::Boolean(true).get(), empty.get()));
}

}  // namespace pq::band
