#include "host_windows.h"

#include <commctrl.h>

#include <algorithm>
#include <fstream>

#include "ui_kit/window_finder.h"
#include "win32/wide_text.h"

namespace pq::demo {
namespace {

using ui_kit::ClassOf;
using ui_kit::TopLevelWindowsOf;
using ui_kit::WaitUntil;

constexpr size_t kBufferSize = 4096;
constexpr size_t kTextOffset = 1024;
constexpr char kNavigateLine[] = "browser: Navigate ";
constexpr char kNavigateEnd[] = " flags=";

HWND Child(HWND parent, const wchar_t* window_class) {
  return parent ? FindWindowExW(parent, nullptr, window_class, nullptr) : nullptr;
}

std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

}  // namespace

std::optional<HostWindows> WaitForHost(DWORD milliseconds) {
  HostWindows host;
  const bool found = WaitUntil(
      [&] {
        host.frame = FindWindowW(L"IEFrame", nullptr);
        host.address_line = Child(host.frame, L"Edit");
        host.band = Child(Child(host.frame, L"BandHostBands"), L"PelliquesterToolbar");
        host.toolbar = Child(host.band, L"ToolbarWindow32");
        host.search_field = Child(Child(host.toolbar, L"ComboBox"), L"Edit");
        return host.address_line && host.search_field && IsWindowVisible(host.band) &&
               IsWindowVisible(host.search_field);
      },
      milliseconds);
  if (!found) return std::nullopt;
  host.thread_id = GetWindowThreadProcessId(host.frame, &host.process_id);
  return host;
}

RemoteToolbar::RemoteToolbar(const HostWindows& host) : toolbar_(host.toolbar) {
  process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                         host.process_id);
  if (!process_) return;
  buffer_ = static_cast<char*>(
      VirtualAllocEx(process_, nullptr, kBufferSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

RemoteToolbar::~RemoteToolbar() {
  if (buffer_) VirtualFreeEx(process_, buffer_, 0, MEM_RELEASE);
  if (process_) CloseHandle(process_);
}

bool RemoteToolbar::Read(size_t offset, void* to, size_t size) const {
  SIZE_T read = 0;
  return ReadProcessMemory(process_, buffer_ + offset, to, size, &read) && read == size;
}

std::optional<ToolbarButton> RemoteToolbar::Button(int command) const {
  for (const ToolbarButton& button : Buttons())
    if (button.command == command) return button;
  return std::nullopt;
}

std::vector<ToolbarButton> RemoteToolbar::Buttons() const {
  std::vector<ToolbarButton> buttons;
  if (!ok()) return buttons;
  const int count = static_cast<int>(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    // The toolbar writes its answers into the memory lent in its process.
    TBBUTTON raw{};
    if (!SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(buffer_)) ||
        !Read(0, &raw, sizeof raw))
      return {};
    ToolbarButton button;
    button.command = raw.idCommand;
    button.style = raw.fsStyle;
    button.state = raw.fsState;
    // The caption in UTF-16 units; they and the terminator must fit.
    const LRESULT length =
        SendMessageW(toolbar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(raw.idCommand), 0);
    if (length > 0 &&
        (static_cast<size_t>(length) + 1) * sizeof(wchar_t) <= kBufferSize - kTextOffset &&
        SendMessageW(toolbar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(raw.idCommand),
                     reinterpret_cast<LPARAM>(buffer_ + kTextOffset)) == length) {
      std::wstring caption(static_cast<size_t>(length), L'\0');
      if (Read(kTextOffset, caption.data(), caption.size() * sizeof(wchar_t)))
        button.caption = win32::Utf8(caption);
    }
    if (!SendMessageW(toolbar_, TB_GETRECT, static_cast<WPARAM>(raw.idCommand),
                      reinterpret_cast<LPARAM>(buffer_)) ||
        !Read(0, &button.place, sizeof button.place))
      return {};
    MapWindowPoints(toolbar_, nullptr, reinterpret_cast<POINT*>(&button.place), 2);
    buttons.push_back(button);
  }
  return buttons;
}

std::vector<HWND> OpenMenusOf(DWORD process_id) {
  std::vector<HWND> menus;
  for (HWND window : TopLevelWindowsOf(process_id))
    if (ClassOf(window) == "#32768") menus.push_back(window);
  return menus;
}

MenuReader::MenuReader(DWORD host_thread) {
  const std::wstring probe_path = ModuleDirectory() + L"demo_menu_probe.dll";
  probe_ = LoadLibraryW(probe_path.c_str());
  if (!probe_) {
    failure_ = "cannot load " + win32::Utf8(probe_path);
    return;
  }
  const auto procedure = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(probe_, kProbeHookProcedure)));
  mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(MenuReport), ReportName(GetCurrentProcessId()).c_str());
  if (mapping_)
    report_ = static_cast<MenuReport*>(
        MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(MenuReport)));
  if (!procedure || !report_) {
    failure_ = "the menu probe cannot be set up";
    return;
  }
  hook_ = SetWindowsHookExW(WH_CALLWNDPROC, procedure, probe_, host_thread);
  if (!hook_) failure_ = "the menu probe cannot be hooked into the host";
  message_ = RegisterWindowMessageW(kProbeMessage);
}

MenuReader::~MenuReader() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (report_) UnmapViewOfFile(report_);
  if (mapping_) CloseHandle(mapping_);
  if (probe_) FreeLibrary(probe_);
}

std::optional<std::vector<MenuEntry>> MenuReader::Entries(HWND menu_window) const {
  if (!hook_) return std::nullopt;
  InterlockedExchange(&report_->filled, 0);
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(menu_window, message_, GetCurrentProcessId(), 0, SMTO_ABORTIFHUNG, 5000,
                           &answer) ||
      !report_->filled)
    return std::nullopt;
  const int count = std::min(report_->count, kMaxMenuEntries);
  return std::vector<MenuEntry>(report_->entries, report_->entries + std::max(count, 0));
}

std::vector<std::string> NavigationsInLog(const std::string& log_path) {
  std::vector<std::string> addresses;
  std::ifstream log(log_path);
  for (std::string line; std::getline(log, line);) {
    if (line.rfind(kNavigateLine, 0) != 0) continue;
    const size_t start = sizeof kNavigateLine - 1;
    // A line without its end is still being written.
    const size_t end = line.find(kNavigateEnd, start);
    if (end == std::string::npos) break;
    addresses.push_back(line.substr(start, end - start));
  }
  return addresses;
}

}  // namespace pq::demo
