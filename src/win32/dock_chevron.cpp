#include "win32/dock_chevron.h"

#include <vssym32.h>

#include <algorithm>

#include "toolbar/toolbar_metrics.h"

namespace pq::win32 {
namespace {

// One ">" of the glyph: two strokes meeting at its point, `half` pixels
// from the top to the point, `stroke` pixels thick.
void PaintAngle(HDC dc, HBRUSH brush, int left, int top, int half, int stroke) {
  for (int step = 0; step <= half; ++step) {
    const RECT upper{left + step, top + step, left + step + stroke, top + step + stroke};
    const RECT lower{left + step, top + 2 * half - step, left + step + stroke,
                     top + 2 * half - step + stroke};
    FillRect(dc, &upper, brush);
    FillRect(dc, &lower, brush);
  }
}

}  // namespace

void PaintChevron(HDC dc, const RECT& place, ChevronLook look, int dpi, HTHEME theme) {
  if (theme) {
    const int state = look == ChevronLook::Pressed ? CHEVS_PRESSED
                      : look == ChevronLook::Hot   ? CHEVS_HOT
                                                   : CHEVS_NORMAL;
    DrawThemeBackground(theme, dc, RP_CHEVRON, state, &place, nullptr);
    return;
  }
  RECT frame = place;
  if (look == ChevronLook::Pressed)
    DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
  else if (look == ChevronLook::Hot)
    DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);
  // Two angles side by side, centred, moved by a pixel while pressed as a
  // button's content is.
  const int stroke = std::max(1, ScaleToDpi(1, dpi));
  const int half = std::max(2, ScaleToDpi(3, dpi));
  const int gap = std::max(3, ScaleToDpi(4, dpi));
  const int width = gap + half + stroke;
  const int height = 2 * half + stroke;
  int left = place.left + (place.right - place.left - width) / 2;
  int top = place.top + (place.bottom - place.top - height) / 2;
  if (look == ChevronLook::Pressed) ++left, ++top;
  const HBRUSH brush = GetSysColorBrush(COLOR_BTNTEXT);
  PaintAngle(dc, brush, left, top, half, stroke);
  PaintAngle(dc, brush, left + gap, top, half, stroke);
}

}  // namespace pq::win32
