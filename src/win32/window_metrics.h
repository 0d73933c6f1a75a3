#pragma once
// Sizes of the toolbar's design, in pixels at 96 dots per inch, and what they
// become at a window's own resolution.
#include <windows.h>

#include "win32/handles.h"

namespace pq::win32 {

// The resolution the window is drawn at: its own where the system tells
// (per-monitor awareness), else the screen's.
int WindowDpi(HWND window);

inline int ScaleToDpi(int design_pixels, int dpi) { return MulDiv(design_pixels, dpi, 96); }

// The system's message font at that resolution.
unique_hfont MessageFont(int dpi);

}  // namespace pq::win32
