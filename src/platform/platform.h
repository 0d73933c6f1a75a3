#pragma once
// The ports the core runs against. The DLL fills this with the Win32 adapters
// once per process; tests fill it with fakes. Ports a piece of code does not
// use may be left null.

namespace pq {

class Registry;           // platform/registry.h
class SystemMessages;     // platform/system_messages.h
class Internet;           // platform/internet.h: sessions, canonical addresses, downloads
class UserInterface;      // platform/user_interface.h: message boxes and the other dialogs
class Clock;              // platform/clock.h: today's date and the user's date format
class Desktop;            // platform/desktop.h: separate browser, frame windows, hyperlinks, shell
class SignatureVerifier;  // platform/signature_verifier.h: signed configuration updates
class Background;         // platform/background.h: work on threads of its own
class BrowsingMode;       // platform/host_browser.h: whether the session is private

struct Platform {
  Registry* registry = nullptr;
  SystemMessages* messages = nullptr;
  Internet* internet = nullptr;
  UserInterface* ui = nullptr;
  Clock* clock = nullptr;
  Desktop* desktop = nullptr;
  SignatureVerifier* verifier = nullptr;
  // Null: what would run in the background runs on the caller's thread.
  Background* background = nullptr;
  // Null: the session is never private.
  BrowsingMode* browsing_mode = nullptr;
};

}  // namespace pq
