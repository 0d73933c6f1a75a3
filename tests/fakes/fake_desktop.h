#pragma once
// A desktop and a hosting browser that record, in one log, every call made
// to them and to the browsers they start. Failures can be arranged per call.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/host_browser.h"

namespace pq::fakes {

// What happens to one started browser; shared with the object handed out.
struct FakeBrowserState {
  int number = 0;                            // 1 for the first browser started, and so on
  bool released = false;                     // the object handed out has been let go
  bool gone = false;                         // every call raises BrowserGoneError
  std::optional<std::string> fail_visible;   // SetVisible raises Error with this
  std::optional<std::string> fail_navigate;  // Navigate raises Error with this
  // CreateBrowser raises BrowserGoneError instead of starting it: the browser
  // it reached ended as it was asked.
  bool gone_at_start = false;
  std::optional<std::string> fail_start;  // CreateBrowser raises Error with this
};

class FakeDesktop : public Desktop {
 public:
  std::vector<std::string> log;
  WindowId frame = 0;                      // what FindBrowserFrame returns
  std::optional<std::string> fail_create;  // CreateBrowser raises Error with this
  FakeBrowserState new_browser;            // how each browser started from now on behaves,
  std::deque<FakeBrowserState> upcoming;   // but for these, one for each of the next ones
  std::vector<std::shared_ptr<FakeBrowserState>> browsers;  // in order of starting

  std::unique_ptr<AutomationBrowser> CreateBrowser() override;
  WindowId FindBrowserFrame() override;
  void BringToFront(WindowId window) override;
  void HyperlinkNavigate(const std::string& url) override;
  void OpenWithShell(const std::string& target) override;
  std::string WindowsDirectory() override { return windows_directory; }
  std::string ProgramDirectory() override { return program_directory; }
  std::string UserDataFolder() override { return user_data_folder; }

  std::string windows_directory = "C:\\WINDOWS";
  std::string program_directory = "C:\\Program Files\\Internet Explorer\\";
  std::string user_data_folder;
};

class FakeHostBrowser : public HostBrowser {
 public:
  std::vector<std::string> log;
  int32_t width = 800;
  std::optional<std::string> fail;  // every call raises Error with this

  void Navigate(const std::string& url) override;
  int32_t Width() override;
  void SetStatusText(const std::string& text) override;
  void ShowBrowserBar(const std::string& class_id, bool show, int32_t size) override;
};

// A browser whose session is private or not, as the test says; counts the
// questions.
class FakeBrowsingMode : public BrowsingMode {
 public:
  bool private_session = false;
  int asked = 0;
  bool IsPrivate() override {
    ++asked;
    return private_session;
  }
};

}  // namespace pq::fakes
