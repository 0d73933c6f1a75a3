#include "win32/win32_host_browser.h"

#include "win32/com_support.h"

namespace pq::win32 {
namespace {

VARIANT IntegerVariant(int32_t value) {
  VARIANT variant;
  VariantInit(&variant);
  V_VT(&variant) = VT_I4;
  V_I4(&variant) = value;
  return variant;
}

}  // namespace

void Win32HostBrowser::Navigate(const std::string& url) {
  Bstr address(url);
  // One variant for all four optional arguments: no flags, no target frame,
  // no post data, no headers.
  VARIANT none = IntegerVariant(0);
  CheckHResult(browser_->Navigate(address.get(), &none, &none, &none, &none));
}

int32_t Win32HostBrowser::Width() {
  LONG width = 0;
  CheckHResult(browser_->get_Width(&width));
  return static_cast<int32_t>(width);
}

void Win32HostBrowser::SetStatusText(const std::string& text) {
  Bstr status(text);
  CheckHResult(browser_->put_StatusText(status.get()));
}

void Win32HostBrowser::ShowBrowserBar(const std::string& class_id, bool show, int32_t size) {
  Bstr id(class_id);
  VARIANT id_arg;
  VariantInit(&id_arg);
  V_VT(&id_arg) = VT_BSTR;
  V_BSTR(&id_arg) = id.get();
  VARIANT show_arg;
  VariantInit(&show_arg);
  V_VT(&show_arg) = VT_BOOL;
  V_BOOL(&show_arg) = show ? VARIANT_TRUE : VARIANT_FALSE;
  VARIANT size_arg = IntegerVariant(size);
  CheckHResult(browser_->ShowBrowserBar(&id_arg, &show_arg, &size_arg));
}

}  // namespace pq::win32
