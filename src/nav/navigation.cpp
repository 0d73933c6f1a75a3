#include "nav/navigation.h"

#include <optional>

#include "platform/text.h"

namespace pq {
namespace {

// Showing the browser is no condition of navigating: a browser that refuses
// it may still open the address, so Navigate's result decides. Only a browser
// that is gone for good says so here.
void Show(AutomationBrowser& browser) {
  try {
    browser.SetVisible(true);
  } catch (const BrowserGoneError&) {
    throw;
  } catch (const Error&) {
  }
}

// Starts a browser and opens the address there, trying `starts` browsers in
// all while each one started is gone before it opens the address: a browser
// whose last window the user just closed still answers a start as it ends,
// and only the next start reaches a new one. Any other failure ends it at once.
void StartSeparateBrowser(Desktop& desktop, SeparateBrowser& separate_browser,
                          const std::string& url, int starts) {
  for (int start = 1;; ++start) {
    try {
      // A browser that fails to start is not kept, so the next navigation
      // tries again; one that starts is kept even if navigating fails, unless
      // it is gone.
      separate_browser.Hold(desktop.CreateBrowser());
      Show(separate_browser.Object());
      separate_browser.Object().Navigate(url);
      return;
    } catch (const BrowserGoneError&) {
      separate_browser.Drop();
      if (start == starts) throw;
    }
  }
}

// What the system's hyperlink service may be handed: it opens whatever the
// text names, a program or a share as readily as a page, and the address may
// come from a configuration the network replaced. A web or mail address goes
// as it is; a host name beginning with "www." (the speed button's default),
// which the service would take for a file name, goes as a web address; ftp:,
// news: and every other scheme would start whatever program claims it, and go
// nowhere.
std::optional<std::string> HyperlinkTarget(const std::string& url) {
  if (IsWebOrMailAddress(url)) return url;
  if (LowerCase(std::string_view(url).substr(0, 4)) == "www.") return "http://" + url;
  return std::nullopt;
}

}  // namespace

void NavigateTo(Platform& platform, const HostBrowserRef& host_browser,
                SeparateBrowser& separate_browser, const std::string& url) {
  if (host_browser) {
    host_browser->Navigate(url);
    return;
  }
  OpenInSeparateBrowser(platform, separate_browser, url);
}

void OpenInSeparateBrowser(Platform& platform, SeparateBrowser& separate_browser,
                           const std::string& url) {
  Desktop& desktop = *platform.desktop;
  if (separate_browser.Empty()) {
    // A mail address opens the user's mail program: a browser started for
    // it would be left standing empty.
    if (LowerCase(std::string_view(url).substr(0, 7)) == "mailto:") {
      desktop.HyperlinkNavigate(url);
      return;
    }
    StartSeparateBrowser(desktop, separate_browser, url, 2);
    return;
  }
  const WindowId frame = desktop.FindBrowserFrame();
  if (frame == 0) {
    if (const std::optional<std::string> target = HyperlinkTarget(url))
      desktop.HyperlinkNavigate(*target);
    return;
  }
  try {
    // A browser whose window the user closed may still live hidden; it is
    // shown again rather than navigated out of sight.
    Show(separate_browser.Object());
    separate_browser.Object().Navigate(url);
  } catch (const BrowserGoneError&) {
    // The user closed the browser for good: start a new one in its place,
    // and only that one.
    separate_browser.Drop();
    StartSeparateBrowser(desktop, separate_browser, url, 1);
    return;
  }
  // The browser that opened the address comes to the front, not whichever
  // browser window the system finds first.
  const WindowId own = separate_browser.Object().Window();
  desktop.BringToFront(own != 0 ? own : frame);
}

void ShellOpen(Platform& platform, const std::string& target) {
  platform.desktop->OpenWithShell(target);
}

bool IsWebOrMailAddress(const std::string& address) {
  const size_t colon = address.find(':');
  if (colon == std::string::npos) return false;
  const std::string scheme = LowerCase(std::string_view(address).substr(0, colon));
  return scheme == "http" || scheme == "https" || scheme == "mailto";
}

}  // namespace pq
