#pragma once
// What the menu probe hands the driver: the entries of the band host's open
// popup menu with their places on the screen. Wine keeps a menu's entries in
// the process that made it, so the driver cannot ask for them itself; the
// probe's hook procedure runs in the host's thread, where they are.
//
// The driver sends the registered message kProbeMessage to a menu window of
// the host with its own process id as wparam; the probe fills the shared
// memory named ReportName(that id) before the call returns.
#include <windows.h>

#include <string>

namespace pq::demo {

inline constexpr wchar_t kProbeMessage[] = L"Pelliquester demo: menu entries";
inline constexpr char kProbeHookProcedure[] = "MenuProbeHook";
inline constexpr int kMaxMenuEntries = 64;

struct MenuEntry {
  char text[128];  // the caption in UTF-8, without a shortcut after a tab
  RECT place;      // on the screen
  UINT type;       // MFT_ flags
  UINT state;      // MFS_ flags
};

struct MenuReport {
  LONG filled;  // set last, once the entries are written
  int count;
  MenuEntry entries[kMaxMenuEntries];
};

inline std::wstring ReportName(DWORD driver_process) {
  return L"Local\\PelliquesterDemoMenu." + std::to_wstring(driver_process);
}

}  // namespace pq::demo
