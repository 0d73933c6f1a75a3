#pragma once
// Clicks and keys as a user makes them, through the system's input queue:
// clicks at a point of the screen given whole, wherever the mouse stood
// before; keys to whichever window has the focus.
#include <windows.h>

#include "ui_kit/wait.h"

namespace pq::ui_kit {

enum class Button { Left, Right };

// The middle of a window, in screen coordinates.
POINT MiddleOf(HWND window);

// Whether a click at the point would land on the window: it is laid out
// there, shown, and nothing covers it.
bool ClickWouldReach(HWND window, POINT point);

// Moves the mouse to the point and presses and releases the button there;
// false when the system refused the input.
bool ClickAt(POINT point, Button button = Button::Left);

// Presses and releases a key; false when the system refused the input.
bool PressKey(WORD key);

}  // namespace pq::ui_kit
