#pragma once
// The real adapters, every port of them wired into one Platform, for the
// tests that run the toolbar on the system itself. A test that stands a fake
// in for one port points the platform at its fake.
#include "platform/platform.h"
#include "win32/win32_clock.h"
#include "win32/win32_desktop.h"
#include "win32/win32_internet.h"
#include "win32/win32_registry.h"
#include "win32/win32_signature_verifier.h"
#include "win32/win32_system.h"
#include "win32/win32_user_interface.h"

namespace pq::testing {

struct Win32Ports {
  Win32Ports() {
    platform.registry = &registry;
    platform.messages = &messages;
    platform.internet = &internet;
    platform.ui = &ui;
    platform.clock = &clock;
    platform.desktop = &desktop;
    platform.verifier = &verifier;
  }
  Win32Ports(const Win32Ports&) = delete;
  Win32Ports& operator=(const Win32Ports&) = delete;

  win32::Win32Registry registry;
  win32::Win32SystemMessages messages;
  win32::Win32Internet internet;
  win32::Win32UserInterface ui;
  win32::Win32Clock clock;
  win32::Win32Desktop desktop;
  win32::Win32SignatureVerifier verifier;
  Platform platform;
};

}  // namespace pq::testing
