#pragma once
// The top-level window that a test program puts the toolbar's windows in:
// made once per program, as making one under Wine is slow.
#include <windows.h>

namespace pq::testing {

// A shown popup window of a class of its own at the screen's top left
// corner; `background` is a system colour index, or -1 for none.
inline HWND MakeParentWindow(const wchar_t* class_name, SIZE size, int background = -1) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  if (background >= 0)
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  window_class.lpszClassName = class_name;
  RegisterClassExW(&window_class);
  return CreateWindowExW(0, class_name, L"", WS_POPUP | WS_VISIBLE, 0, 0, size.cx, size.cy,
                         nullptr, nullptr, window_class.hInstance, nullptr);
}

}  // namespace pq::testing
