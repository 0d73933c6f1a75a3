#pragma once
// The desktop through automation, the window manager, the hyperlink service
// of urlmon and the shell.
#include <windows.h>

#include <mutex>

#include "platform/desktop.h"
#include "win32/handles.h"

namespace pq::win32 {

class Win32Desktop final : public Desktop {
 public:
  // Starts "InternetExplorer.Application" and drives it by late binding.
  std::unique_ptr<AutomationBrowser> CreateBrowser() override;
  // A top-level window of class "IEFrame".
  WindowId FindBrowserFrame() override;
  void BringToFront(WindowId window) override;
  void HyperlinkNavigate(const std::string& url) override;
  void OpenWithShell(const std::string& target) override;
  std::string WindowsDirectory() override;
  std::string ProgramDirectory() override;
  std::string UserDataFolder() override;

 private:
  // Loaded on first use and kept: the hyperlink service may still be at work
  // when its call returns.
  std::once_flag urlmon_loaded_;
  unique_hmodule urlmon_;
};

}  // namespace pq::win32
