#pragma once
// Window texts of any length, and placing a window in the middle of a screen.
#include <windows.h>

#include <string>
#include <string_view>

#include "win32/wide_text.h"

namespace pq::win32 {

inline std::wstring WindowTextW(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// As UTF-8.
inline std::string WindowText(HWND window) { return Utf8(WindowTextW(window)); }

inline bool SetWindowTextUtf8(HWND window, std::string_view text) {
  return SetWindowTextW(window, Wide(text).c_str()) != 0;
}

// Moves a top-level window to the middle of the monitor that shows `beside`
// (the primary one for none).
inline void CenterOnScreen(HWND window, HWND beside) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(beside, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
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
