#pragma once
// A hosting browser, for tests, that keeps what each call received and
// answers as the test says; each call must be one the test expects.
#include <string>
#include <vector>

#include "support/web_browser_stub.h"

namespace pq::testing {

// A hosting browser that keeps what each call received.
class RecordingBrowser : public WebBrowserStub {
 public:
  struct NavigateCall {
    std::wstring url;
    UINT url_length;
    bool one_variant_for_all;
    VARTYPE type;
    LONG value;
  };
  std::vector<NavigateCall> navigations;
  std::vector<std::wstring> status_texts;
  struct BarCall {
    VARTYPE id_type, show_type, size_type;
    std::wstring id;
    VARIANT_BOOL show;
    LONG size;
  };
  std::vector<BarCall> bar_calls;
  LONG width = 1000;
  HRESULT result = S_OK;

  HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* frame, VARIANT* post,
                                     VARIANT* headers) override {
    Called("Navigate");
    navigations.push_back({std::wstring(url, SysStringLen(url)), SysStringLen(url),
                           flags == frame && frame == post && post == headers, V_VT(flags),
                           V_I4(flags)});
    return result;
  }
  HRESULT STDMETHODCALLTYPE get_Width(LONG* value) override {
    Called("get_Width");
    if (FAILED(result)) return result;
    *value = width;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR text) override {
    Called("put_StatusText");
    status_texts.emplace_back(text, SysStringLen(text));
    return result;
  }
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* id, VARIANT* show, VARIANT* size) override {
    Called("ShowBrowserBar");
    bar_calls.push_back({V_VT(id), V_VT(show), V_VT(size),
                         std::wstring(V_BSTR(id), SysStringLen(V_BSTR(id))), V_BOOL(show),
                         V_I4(size)});
    return result;
  }
};

}  // namespace pq::testing
