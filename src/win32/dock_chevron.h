#pragma once
// The dock's chevron, drawn by the toolbar window in the room at its right
// end: the theme's chevron where a theme is active, else a raised or sunken
// edge around a "»" that scales with the DPI.
#include <windows.h>

namespace pq::win32 {

enum class ChevronLook { Normal, Hot, Pressed };

void PaintChevron(HDC dc, const RECT& place, ChevronLook look, int dpi);

}  // namespace pq::win32
