#pragma once
#include <windows.h>

#include <mutex>

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
// under way. One registration at a time keeps "exists" meaning usable.
inline bool RegisterModuleWindowClass(const wchar_t* name, WNDPROC procedure, int background) {
  static std::mutex registering;
  const std::lock_guard<std::mutex> hold(registering);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = ThisModule();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  window_class.lpszClassName = name;
  return RegisterClassExW(&window_class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace pq::win32
