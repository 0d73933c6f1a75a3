#pragma once
// Window texts of any length, and placing a window in the middle of a screen.
#include <windows.h>

#include <string>

namespace pq::win32 {

inline std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Moves a top-level window to the middle of the monitor that shows `beside`
// (the primary one for none).
inline void CenterOnScreen(HWND window, HWND beside) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(beside, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  RECT frame{};
  GetWindowRect(window, &frame);
  const RECT& screen = monitor.rcMonitor;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, screen.left + (screen.right - screen.left - width) / 2,
               screen.top + (screen.bottom - screen.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pq::win32
