#include "win32/win32_host_browser.h"

#include "win32/com_support.h"

namespace pq::win32 {
void Win32HostBrowser::Navigate(const std::string& url) {
  Bstr address(url);
  // One variant for all four optional arguments: no flags, no target frame,
  // no post data, no headers.
  Variant none = Variant::Integer(0);
  CheckHResult(browser_->Navigate(address.get(), none.get(), none.get(), none.get(), none.get()));
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
  Variant id = Variant::Text(class_id);
  Variant shown = Variant::Boolean(show);
  Variant width = Variant::Integer(size);
  CheckHResult(browser_->ShowBrowserBar(id.get(), shown.get(), width.get()));
}

}  // namespace pq::win32
