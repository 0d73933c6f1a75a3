#pragma once
// Finding windows the way a user sees them: by caption, by text, by class,
// waiting a bounded time for them to appear; in this process or another.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui_kit/wait.h"

namespace pq::ui_kit {

// A window's text; read with WM_GETTEXT, which also reads a control of another process.
std::string TextOf(HWND window);
std::string ClassOf(HWND window);

// The visible top-level windows of the process, in Z order.
std::vector<HWND> TopLevelWindowsOf(DWORD process_id);

// The first visible top-level window of this process that `match` accepts,
// waited for up to `milliseconds`; null when none came.
HWND WaitForTopLevelWindow(const std::function<bool(HWND)>& match, DWORD milliseconds);
HWND WaitForWindowCaptioned(const std::string& caption, DWORD milliseconds);

// The direct children of a window, in Z order.
std::vector<HWND> ChildrenOf(HWND parent);
// The direct child with this text, or null.
HWND ChildWithText(HWND parent, const std::string& text);
// The first window below `ancestor`, at any depth, of this class; null when none.
HWND DescendantOfClass(HWND ancestor, const std::string& class_name);
// The captions of the buttons of the first toolbar below `ancestor`, in their
// order; none without a toolbar.
std::vector<std::string> ToolbarCaptionsOf(HWND ancestor);
// The toolbar's search field: the edit of the combo box below `ancestor`.
HWND SearchFieldOf(HWND ancestor);

// A window's place relative to its parent's client area.
RECT PlaceInParent(HWND window);

// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusOfThreadOf(HWND window);

// Presses and releases a key in the window that has the focus in the
// thread of `window`, as keyboard input reaches it through that thread's queue.
void PressKey(HWND window, WORD key);

}  // namespace pq::ui_kit
