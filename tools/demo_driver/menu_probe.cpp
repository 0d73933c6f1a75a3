// demo_menu_probe.dll: the demo driver's hook procedure, run in the band
// host's thread; see menu_probe.h.
#include "menu_probe.h"

#include <cstring>

namespace {

using pq::demo::MenuEntry;
using pq::demo::MenuReport;

void Report(HWND menu_window, DWORD driver_process) {
  HANDLE mapping =
      OpenFileMappingA(FILE_MAP_WRITE, FALSE, pq::demo::ReportName(driver_process).c_str());
  if (!mapping) return;
  auto* report =
      static_cast<MenuReport*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(MenuReport)));
  if (report) {
    const auto menu = reinterpret_cast<HMENU>(SendMessageA(menu_window, MN_GETHMENU, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : 0;
    report->count = 0;
    for (int index = 0; index < count && index < pq::demo::kMaxMenuEntries; ++index) {
      MenuEntry& entry = report->entries[report->count++];
      entry = MenuEntry{};
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
      info.dwTypeData = entry.text;
      info.cch = sizeof entry.text;
      if (GetMenuItemInfoA(menu, static_cast<UINT>(index), TRUE, &info)) {
        entry.type = info.fType;
        entry.state = info.fState;
      }
      entry.text[sizeof entry.text - 1] = '\0';
      if (char* tab = std::strchr(entry.text, '\t')) *tab = '\0';
      GetMenuItemRect(menu_window, menu, static_cast<UINT>(index), &entry.place);
    }
    InterlockedExchange(&report->filled, 1);
    UnmapViewOfFile(report);
  }
  CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int code, WPARAM wparam, LPARAM lparam) {
  static const UINT probe_message = RegisterWindowMessageA(pq::demo::kProbeMessage);
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (call->message == probe_message) Report(call->hwnd, static_cast<DWORD>(call->wParam));
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
