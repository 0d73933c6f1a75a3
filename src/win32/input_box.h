#pragma once
#include <windows.h>

#include <string>

namespace pq::win32 {

// Asks for one line of text in a modal box owned by `owner`: the prompt, an
// edit holding `initial` (selected), OK and Cancel. Returns the typed text on
// OK, `initial` on Cancel. Raises Error when the box cannot be shown.
std::string ShowInputBox(HWND owner, const std::string& caption, const std::string& prompt,
                         const std::string& initial);

}  // namespace pq::win32
