#pragma once
// Keystrokes as a user makes them, through the system's input queue
// (SendInput), so that they reach whichever window has the focus.
#include <windows.h>

#include <string>

namespace pq::demo {

// Types the text key by key, with a typist's pause between the keys; only
// letters, digits and blanks. False when the system refused the input.
bool TypeText(const std::string& text);

}  // namespace pq::demo
