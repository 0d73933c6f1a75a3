#pragma once
// The band host's windows as the demo driver sees them from its own process:
// the frame, the address line, the toolbar band and its controls, the
// toolbar's buttons, and the host's open menus and dialogs.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "menu_probe.h"

namespace pq::demo {

struct ToolbarButton {
  int command = 0;
  BYTE style = 0;
  BYTE state = 0;
  std::string caption;
  RECT place{};  // on the screen
};

struct HostWindows {
  HWND frame = nullptr;         // "IEFrame"
  HWND address_line = nullptr;  // the frame's edit control
  HWND band = nullptr;          // the toolbar band's window
  HWND toolbar = nullptr;       // its comctl32 toolbar
  HWND search_field = nullptr;  // the edit control of its search box
  DWORD process_id = 0;
  DWORD thread_id = 0;
};

// The host's windows once the frame shows a toolbar band with its search
// field; nothing when they did not all come within the time.
std::optional<HostWindows> WaitForHost(DWORD milliseconds);

// Reads the toolbar of another process through memory lent in that process.
class RemoteToolbar {
 public:
  explicit RemoteToolbar(const HostWindows& host);
  ~RemoteToolbar();
  RemoteToolbar(const RemoteToolbar&) = delete;
  RemoteToolbar& operator=(const RemoteToolbar&) = delete;

  bool ok() const { return buffer_ != nullptr; }
  // The toolbar's buttons in order, separators and the search box's place
  // included; empty when the toolbar can't be read.
  std::vector<ToolbarButton> Buttons() const;
  std::optional<ToolbarButton> Button(int command) const;

 private:
  bool Read(size_t offset, void* to, size_t size) const;
  HWND toolbar_;
  HANDLE process_ = nullptr;
  char* buffer_ = nullptr;
};

// Its visible popup menus ("#32768"), the one opened last first.
std::vector<HWND> OpenMenusOf(DWORD process_id);

// Reads the entries of the host's open menus through the menu probe, which
// it loads into the host's thread with a hook for its own lifetime.
class MenuReader {
 public:
  explicit MenuReader(DWORD host_thread);
  ~MenuReader();
  MenuReader(const MenuReader&) = delete;
  MenuReader& operator=(const MenuReader&) = delete;

  // Empty with the reason when the probe could not be set up.
  const std::string& failure() const { return failure_; }
  // The menu window's entries; nothing when the host did not answer.
  std::optional<std::vector<MenuEntry>> Entries(HWND menu_window) const;

 private:
  std::string failure_;
  HMODULE probe_ = nullptr;
  HHOOK hook_ = nullptr;
  HANDLE mapping_ = nullptr;
  MenuReport* report_ = nullptr;
  UINT message_ = 0;
};

// The addresses the browser was asked to open, in order, from the host's log.
std::vector<std::string> NavigationsInLog(const std::string& log_path);

}  // namespace pq::demo
