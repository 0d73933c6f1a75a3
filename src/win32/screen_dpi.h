#pragma once
// The screen's scaling, for windows laid out in pixels of a 96-DPI design.
#include <windows.h>

#include "toolbar/toolbar_metrics.h"
#include "win32/gdi_handles.h"

namespace pq::win32 {

// The screen's pixels per logical inch: 96 at 100 % scaling, 144 at 150 %.
inline int ScreenDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

// A length of the 96-DPI design at the given DPI, rounded as the toolbar's
// own layout rounds it.
inline int ScaleForDpi(int design, int dpi) { return ScaleToDpi(design, dpi); }

}  // namespace pq::win32
