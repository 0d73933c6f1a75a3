#pragma once
// The browser window that hosts the toolbar, as the toolbar uses it. Each call
// that the browser refuses raises Error with the system's text for its failure.
#include <cstdint>
#include <memory>
#include <string>

namespace pq {

class HostBrowser {
 public:
  virtual ~HostBrowser() = default;
  // Opens the address in this browser window, replacing the page it shows.
  virtual void Navigate(const std::string& url) = 0;
  // The browser window's width in pixels.
  virtual int32_t Width() = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // Shows or hides the browser band whose class identifier is given as text
  // in braces.
  virtual void ShowBrowserBar(const std::string& class_id, bool show, int32_t size) = 0;
};

// A counted reference to the hosting browser, or none. Copies share the one
// browser; the last copy to go releases it.
using HostBrowserRef = std::shared_ptr<HostBrowser>;

// Whether the browser runs a private (InPrivate) session, as the browser
// itself tells: a private session leaves no trace of what was searched.
class BrowsingMode {
 public:
  virtual ~BrowsingMode() = default;
  virtual bool IsPrivate() = 0;
};

}  // namespace pq
