#pragma once
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// The image base of the module this code is linked into: the DLL, or a test
// program. Resources and window classes belong to it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace pq::win32 {

inline HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// Registers a Unicode window class of this module with the arrow cursor and a
// background of a system colour; true when the class exists afterwards, also
// when another window of it registered it before.
//
// The browser builds toolbars on several frame threads at once, and a
// registration is not atomic everywhere: under Wine a thread told that the
// class exists may not find it yet while another thread's registration is
// under way. One registration at a time keeps "exists" meaning usable. A
// class registered once is not asked for again: each asking is a round trip
// to the window manager, for every window.
inline std::mutex& WindowClassLock() {
  static std::mutex registering;
  return registering;
}
inline std::vector<std::wstring>& RegisteredWindowClasses() {
  static std::vector<std::wstring> registered;
  return registered;
}

inline bool RegisterModuleWindowClass(const wchar_t* name, WNDPROC procedure, int background) {
  const std::lock_guard<std::mutex> hold(WindowClassLock());
  std::vector<std::wstring>& registered = RegisteredWindowClasses();
  if (std::find(registered.begin(), registered.end(), name) != registered.end()) return true;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = ThisModule();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  window_class.lpszClassName = name;
  if (!RegisterClassExW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.emplace_back(name);
  return true;
}

// The reverse, when the module goes: the next registration asks again.
inline void UnregisterModuleWindowClass(const wchar_t* name) {
  const std::lock_guard<std::mutex> hold(WindowClassLock());
  UnregisterClassW(name, ThisModule());
  std::vector<std::wstring>& registered = RegisteredWindowClasses();
  registered.erase(std::remove(registered.begin(), registered.end(), name), registered.end());
}

}  // namespace pq::win32
