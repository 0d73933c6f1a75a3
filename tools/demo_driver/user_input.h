#pragma once
// Input as a user makes it: mouse clicks at a point of the screen given whole
// and keystrokes, through the system's input queue (SendInput), so that they
// reach whichever window is there or has the focus.
#include <windows.h>

#include <string>

namespace pq::demo {

enum class Button { Left, Right };

// Moves the mouse to the point and presses and releases the button there;
// false when the system refused the input.
bool ClickAt(POINT point, Button button = Button::Left);

// Presses and releases a key; false when the system refused the input.
bool PressKey(WORD key);

// Types the text key by key, with a typist's pause between the keys; only
// letters, digits and blanks. False when the system refused the input.
bool TypeText(const std::string& text);

}  // namespace pq::demo
