// demo_menu_probe.dll: the demo driver's hook procedure, run in the band
// host's thread; see menu_probe.h.
#include "menu_probe.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

#include "win32/wide_text.h"

namespace {

using pq::demo::MenuEntry;
using pq::demo::MenuReport;

void Report(HWND menu_window, DWORD driver_process) {
  HANDLE mapping =
      OpenFileMappingW(FILE_MAP_WRITE, FALSE, pq::demo::ReportName(driver_process).c_str());
  if (!mapping) return;
  auto* report =
      static_cast<MenuReport*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(MenuReport)));
  if (report) {
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : 0;
    report->count = 0;
    for (int index = 0; index < count && index < pq::demo::kMaxMenuEntries; ++index) {
      MenuEntry& entry = report->entries[report->count++];
      entry = MenuEntry{};
      wchar_t text[sizeof entry.text] = {};
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = static_cast<UINT>(std::size(text));
      if (GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &info)) {
        entry.type = info.fType;
        entry.state = info.fState;
      }
      text[std::size(text) - 1] = L'\0';
      if (wchar_t* tab = std::wcschr(text, L'\t')) *tab = L'\0';
      // Whole characters only: a caption too long for the entry is cut
      // before the character that does not fit.
      std::wstring_view caption(text);
      std::string utf8 = pq::win32::Utf8(caption);
      while (utf8.size() >= sizeof entry.text) {
        caption.remove_suffix(1);
        utf8 = pq::win32::Utf8(caption);
      }
      std::memcpy(entry.text, utf8.c_str(), utf8.size() + 1);
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
  static const UINT probe_message = RegisterWindowMessageW(pq::demo::kProbeMessage);
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (call->message == probe_message) Report(call->hwnd, static_cast<DWORD>(call->wParam));
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
