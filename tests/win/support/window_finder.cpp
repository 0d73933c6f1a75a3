#include "support/window_finder.h"

namespace pq::testing {
namespace {

struct Search {
  const std::function<bool(HWND)>* match;
  DWORD process;
  HWND found;
};

BOOL CALLBACK Consider(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process && IsWindowVisible(window) && (*search->match)(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string TextOf(HWND window) {
  if (!window) return std::string();
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string ClassOf(HWND window) {
  std::string name(256, '\0');  // window class names are at most 256 characters
  name.resize(
      static_cast<size_t>(GetClassNameA(window, name.data(), static_cast<int>(name.size()))));
  return name;
}

HWND WaitForTopLevelWindow(const std::function<bool(HWND)>& match, DWORD milliseconds) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        Search search{&match, GetCurrentProcessId(), nullptr};
        EnumWindows(Consider, reinterpret_cast<LPARAM>(&search));
        found = search.found;
        return found != nullptr;
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

HWND SearchFieldOf(HWND ancestor) {
  HWND combo = DescendantOfClass(ancestor, "ComboBox");
  return combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
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
  const UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  PostMessageA(focus, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

}  // namespace pq::testing
