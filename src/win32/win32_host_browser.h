#pragma once
// The hosting browser through its IWebBrowser2.
#include <exdisp.h>
#include <wrl/client.h>

#include "platform/host_browser.h"

namespace pq::win32 {

class Win32HostBrowser final : public HostBrowser {
 public:
  explicit Win32HostBrowser(Microsoft::WRL::ComPtr<IWebBrowser2> browser)
      : browser_(std::move(browser)) {}

  void Navigate(const std::string& url) override;
  int32_t Width() override;
  void SetStatusText(const std::string& text) override;
  void ShowBrowserBar(const std::string& class_id, bool show, int32_t size) override;

 private:
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

}  // namespace pq::win32
