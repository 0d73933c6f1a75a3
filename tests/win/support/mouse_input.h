#pragma once
// Clicks as a user makes them, for the tests that follow the focus: at a point
// of the screen given whole, wherever the mouse stood before.
#include <windows.h>

namespace pq::testing {

// The middle of a window, in screen coordinates.
POINT MiddleOf(HWND window);

// Whether a click at the point would land on the window: it is laid out
// there, shown, and nothing covers it.
bool ClickWouldReach(HWND window, POINT point);

// Moves the mouse to the point and presses and releases the left button
// there; false when the system refused the input.
bool ClickAt(POINT point);

// Asks the condition until it holds or the time is up; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
}

}  // namespace pq::testing
