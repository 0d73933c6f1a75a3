#include "fakes/fake_desktop.h"

namespace pq::fakes {
namespace {

class FakeAutomationBrowser : public AutomationBrowser {
 public:
  FakeAutomationBrowser(std::shared_ptr<FakeBrowserState> state, std::vector<std::string>& log)
      : state_(std::move(state)), log_(log) {}
  ~FakeAutomationBrowser() override { state_->released = true; }

  void SetVisible(bool visible) override {
    log_.push_back(Name() + ".visible " + (visible ? "true" : "false"));
    if (state_->gone) throw BrowserGoneError("browser " + Name() + " is gone");
    if (state_->fail_visible) throw Error(*state_->fail_visible);
  }
  void Navigate(const std::string& url) override {
    log_.push_back(Name() + ".navigate " + url);
    if (state_->gone) throw BrowserGoneError("browser " + Name() + " is gone");
    if (state_->fail_navigate) throw Error(*state_->fail_navigate);
  }

 private:
  std::string Name() const { return "browser" + std::to_string(state_->number); }
  std::shared_ptr<FakeBrowserState> state_;
  std::vector<std::string>& log_;
};

}  // namespace

std::unique_ptr<AutomationBrowser> FakeDesktop::CreateBrowser() {
  log.push_back("create");
  if (fail_create) throw Error(*fail_create);
  FakeBrowserState next = new_browser;
  if (!upcoming.empty()) {
    next = upcoming.front();
    upcoming.pop_front();
  }
  if (next.gone_at_start) throw BrowserGoneError("the browser ended as it was reached");
  if (next.fail_start) throw Error(*next.fail_start);
  auto state = std::make_shared<FakeBrowserState>(next);
  state->number = static_cast<int>(browsers.size()) + 1;
  browsers.push_back(state);
  return std::make_unique<FakeAutomationBrowser>(state, log);
}

WindowId FakeDesktop::FindBrowserFrame() {
  log.push_back("find frame");
  return frame;
}

void FakeDesktop::BringToFront(WindowId window) {
  log.push_back("front " + std::to_string(window));
}

void FakeDesktop::HyperlinkNavigate(const std::string& url) { log.push_back("hyperlink " + url); }

void FakeDesktop::OpenWithShell(const std::string& target) { log.push_back("shell " + target); }

void FakeHostBrowser::Navigate(const std::string& url) {
  log.push_back("navigate " + url);
  if (fail) throw Error(*fail);
}

int32_t FakeHostBrowser::Width() {
  log.push_back("width");
  if (fail) throw Error(*fail);
  return width;
}

void FakeHostBrowser::SetStatusText(const std::string& text) {
  log.push_back("status " + text);
  if (fail) throw Error(*fail);
}

void FakeHostBrowser::ShowBrowserBar(const std::string& class_id, bool show, int32_t size) {
  log.push_back("show bar " + class_id + " " + (show ? "true" : "false") + " " +
                std::to_string(size));
  if (fail) throw Error(*fail);
}

}  // namespace pq::fakes
