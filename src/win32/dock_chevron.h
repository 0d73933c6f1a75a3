#pragma once
// The dock's chevron, drawn by the toolbar window in the room at its right
// end: the theme's chevron where a theme is active, else a raised or sunken
// edge around a "»" that scales with the DPI.
#include <windows.h>
// After windows.h, which it needs.
#include <uxtheme.h>

namespace pq::win32 {

enum class ChevronLook { Normal, Hot, Pressed };

// `theme` is the "Rebar" theme the window keeps open, or null without one.
void PaintChevron(HDC dc, const RECT& place, ChevronLook look, int dpi, HTHEME theme);

}  // namespace pq::win32
