#pragma once
// Opening addresses: in the browser window that shows the toolbar when it is
// known, else in a browser of the toolbar's own; and files or addresses with
// their associated programs.
#include <string>

#include "platform/desktop.h"
#include "platform/host_browser.h"
#include "platform/platform.h"

namespace pq {

// Opens the address in the hosting browser when there is one, else through
// OpenInSeparateBrowser. Errors of the browsers reach the caller.
void NavigateTo(Platform& platform, const HostBrowserRef& host_browser,
                SeparateBrowser& separate_browser, const std::string& url);

// Opens the address in the browser that separate_browser holds, starting one
// when it holds none or when the one it holds is gone; with none held, a
// browser gone as soon as it started is replaced by one more. A gone browser
// is reported only when the next one is gone too. With no browser window
// left on the desktop the system's hyperlink service opens it in the user's
// default browser, but only a web or mail address (a "www." host name as an
// "http://" address); anything else is not opened.
void OpenInSeparateBrowser(Platform& platform, SeparateBrowser& separate_browser,
                           const std::string& url);

// Opens a file or an address with its associated program; failures are ignored.
void ShellOpen(Platform& platform, const std::string& target);

// True for an address of the web ("http:", "https:") or of mail ("mailto:"),
// the scheme in any letter case: what a configured address may open outside
// the browser.
bool IsWebOrMailAddress(const std::string& address);

}  // namespace pq
