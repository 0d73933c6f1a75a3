#include "ui_kit/window_finder.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/wide_text.h"

namespace pq::ui_kit {
namespace {

// Long enough for a window that is busy for a moment, short enough that a
// hung one does not hold up whoever waits on it. The wait is by time alone:
// the system takes a thread that has not read its queue for a few seconds
// for hung, and a test's thread that has just waited that long on a slow
// server is about to answer from its dialog's loop.
constexpr UINT kAnswerTime = 5000;

struct ProcessWindows {
  DWORD process;
  std::vector<HWND> found;
};

// A callback of the system's calling convention, which a lambda is not on i686.
BOOL CALLBACK ConsiderWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ProcessWindows*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!window ||
      !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerTime, &length))
    return std::string();
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, kAnswerTime, &copied))
    return std::string();
  text.resize(std::min<size_t>(copied, length));
  return win32::Utf8(text);
}

std::string ClassOf(HWND window) {
  std::wstring name(256, L'\0');  // window class names are at most 256 characters
  name.resize(
      static_cast<size_t>(GetClassNameW(window, name.data(), static_cast<int>(name.size()))));
  return win32::Utf8(name);
}

std::vector<HWND> TopLevelWindowsOf(DWORD process_id) {
  ProcessWindows search{process_id, {}};
  EnumWindows(ConsiderWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForTopLevelWindow(const std::function<bool(HWND)>& match, DWORD milliseconds) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindowsOf(GetCurrentProcessId()))
          if (match(window)) {
            found = window;
            return true;
          }
        return false;
      },
      milliseconds);
  return found;
}

HWND WaitForWindowCaptioned(const std::string& caption, DWORD milliseconds) {
  return WaitForTopLevelWindow([&](HWND window) { return TextOf(window) == caption; },
                               milliseconds);
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

HWND ChildWithText(HWND parent, const std::string& text) {
  for (HWND child : ChildrenOf(parent))
    if (TextOf(child) == text) return child;
  return nullptr;
}

namespace {

struct ClassSearch {
  const std::string* name;
  HWND found;
};

BOOL CALLBACK ConsiderClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ClassSearch*>(data);
  if (_stricmp(ClassOf(window).c_str(), search->name->c_str()) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND DescendantOfClass(HWND ancestor, const std::string& class_name) {
  ClassSearch search{&class_name, nullptr};
  EnumChildWindows(ancestor, ConsiderClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::string> ToolbarCaptionsOf(HWND ancestor) {
  std::vector<std::string> captions;
  HWND toolbar = DescendantOfClass(ancestor, "ToolbarWindow32");
  if (!toolbar) return captions;
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&button));
    wchar_t text[256] = {};
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(button.idCommand),
                 reinterpret_cast<LPARAM>(text));
    captions.push_back(win32::Utf8(text));
  }
  return captions;
}

HWND SearchFieldOf(HWND ancestor) {
  HWND combo = DescendantOfClass(ancestor, "ComboBox");
  return combo ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : nullptr;
}

RECT PlaceInParent(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

HWND FocusOfThreadOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void PressKey(HWND window, WORD key) {
  HWND focus = FocusOfThreadOf(window);
  if (!focus) focus = window;
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(focus, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

}  // namespace pq::ui_kit
