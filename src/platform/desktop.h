#pragma once
// The desktop around the hosting browser: a browser started on its own through
// automation, browser frame windows, the system's hyperlink service and the
// shell.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/error.h"

namespace pq {

// A browser instance started through automation. Failures raise Error.
class AutomationBrowser {
 public:
  virtual ~AutomationBrowser() = default;
  virtual void SetVisible(bool visible) = 0;
  // Opens the address in this browser's window.
  virtual void Navigate(const std::string& url) = 0;
  // This browser's frame window; 0 when it does not tell.
  virtual std::uintptr_t Window() { return 0; }
};

// Raised by an AutomationBrowser whose browser no longer exists (its window was
// closed for good, its process ended): the object can never answer again.
class BrowserGoneError : public Error {
 public:
  explicit BrowserGoneError(const std::string& message) : Error(message) {}
};

// A top-level window, as the system identifies it; 0 is none.
using WindowId = std::uintptr_t;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Starts a new browser instance, not yet visible. Raises Error when the
  // browser's automation class is missing or refuses, and BrowserGoneError
  // when the browser it reached ended as it was asked (its last window had
  // just closed): another start then reaches a new one.
  virtual std::unique_ptr<AutomationBrowser> CreateBrowser() = 0;
  // Some top-level browser frame window, the first the system's search
  // returns, whichever browser it belongs to; 0 when there is none.
  virtual WindowId FindBrowserFrame() = 0;
  // The calls below report nothing: what they do is best effort.
  virtual void BringToFront(WindowId window) = 0;
  // Opens the address through the system's hyperlink service, in the user's
  // default browser.
  virtual void HyperlinkNavigate(const std::string& url) = 0;
  // Opens a file or an address with the program the system associates with
  // it, in a normal window.
  virtual void OpenWithShell(const std::string& target) = 0;
  // The Windows directory, without a trailing backslash.
  virtual std::string WindowsDirectory() = 0;
  // The folder of the host program's executable, with its trailing backslash.
  virtual std::string ProgramDirectory() = 0;
  // The user's own folder for the data of his programs, which he may always
  // write: in the browser's protected mode the one its low-rights process
  // may write. Empty when there is none.
  virtual std::string UserDataFolder() = 0;
};

// The browser that navigation started on its own, or nothing yet. Its owner
// keeps it for its whole life; letting it go releases the object without
// closing the browser window.
class SeparateBrowser {
 public:
  bool Empty() const { return object_ == nullptr; }
  AutomationBrowser& Object() { return *object_; }
  void Hold(std::unique_ptr<AutomationBrowser> object) { object_ = std::move(object); }
  void Drop() { object_.reset(); }

 private:
  std::unique_ptr<AutomationBrowser> object_;
};

}  // namespace pq
