#pragma once
// An IWebBrowser2 whose every method answers E_NOTIMPL, for tests to derive
// from and override the calls they watch: the band host's own base, made
// strict, so that every call of the band, served or refused, must be one its
// test expects.
#include "bandhost/web_browser_base.h"
#include "support/expected_calls.h"

namespace pq::testing {

class WebBrowserStub : public bandhost::WebBrowserBase, public ExpectedCalls {
 public:
  WebBrowserStub() : ExpectedCalls("the hosting browser") {}

 protected:
  HRESULT NotImplemented(const char* method) override {
    Called(method);
    return E_NOTIMPL;
  }
};

}  // namespace pq::testing
