#pragma once
// The real adapters a configuration update runs on, wired into one Platform:
// WinINet, message boxes, system messages, the clock and the system's
// signature check. Each test of updates holds one.
#include "platform/platform.h"
#include "win32/win32_clock.h"
#include "win32/win32_internet.h"
#include "win32/win32_signature_verifier.h"
#include "win32/win32_system.h"
#include "win32/win32_user_interface.h"

namespace pq::testing {

struct UpdatePorts {
  UpdatePorts() {
    platform.internet = &internet;
    platform.ui = &ui;
    platform.messages = &messages;
    platform.clock = &clock;
    platform.verifier = &verifier;
  }
  UpdatePorts(const UpdatePorts&) = delete;
  UpdatePorts& operator=(const UpdatePorts&) = delete;

  win32::Win32Internet internet;
  win32::Win32UserInterface ui;
  win32::Win32SystemMessages messages;
  win32::Win32Clock clock;
  win32::Win32SignatureVerifier verifier;
  Platform platform;
};

}  // namespace pq::testing
