#pragma once
// The hosting browser's automation interface, as far as a band uses it:
// Navigate shows the address, StatusText fills the status bar, Width is the
// frame's width, ShowBrowserBar shows or hides a band. Everything else is
// logged and refused.
#include "web_browser_base.h"

namespace pq::bandhost {

class HostFrame;

class BrowserStandIn final : public WebBrowserBase {
 public:
  explicit BrowserStandIn(HostFrame& frame) : frame_(frame) {}

  // The frame goes away: later calls find no frame.
  void Detach() { attached_ = false; }

  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post_data,
                        VARIANT* headers) override;
  STDMETHODIMP Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* post_data,
                         VARIANT* headers) override;
  STDMETHODIMP get_Width(LONG* value) override;
  STDMETHODIMP get_StatusText(BSTR* value) override;
  STDMETHODIMP put_StatusText(BSTR value) override;
  STDMETHODIMP ShowBrowserBar(VARIANT* id, VARIANT* show, VARIANT* size) override;
  STDMETHODIMP get_HWND(SHANDLE_PTR* value) override;
  STDMETHODIMP get_LocationURL(BSTR* value) override;

 private:
  ~BrowserStandIn() override = default;
  // Everything else is logged and refused.
  HRESULT NotImplemented(const char* method) override;

  HostFrame& frame_;
  bool attached_ = true;
};

}  // namespace pq::bandhost
