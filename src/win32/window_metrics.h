#pragma once
// Sizes of the toolbar's design, in pixels at 96 dots per inch, and what they
// become at a window's own resolution.
#include <windows.h>

#include "toolbar/toolbar_metrics.h"
#include "win32/handles.h"

namespace pq::win32 {

// The resolution the window is drawn at: its own where the system tells
// (per-monitor awareness), else the screen's.
int WindowDpi(HWND window);

// The system's sizes at that resolution: its own where the system tells
// (GetSystemMetricsForDpi), else the screen's scaled to it.
SystemSizes SystemSizesForDpi(int dpi);

// The toolbar's layout at that resolution, for a toolbar control that keeps
// `control_arrow` pixels for a drop-down arrow.
ToolbarMetrics ToolbarMetricsAt(int dpi, int control_arrow);

// The system's message font at that resolution.
unique_hfont MessageFont(int dpi);

}  // namespace pq::win32
