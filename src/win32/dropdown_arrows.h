#pragma once
// Drop-down arrows drawn at the window's DPI. Some toolbar controls draw the
// arrow of a drop-down button at its 96-DPI size, or a larger one from their
// theme that spills out of the fixed room they keep for it onto the next
// button's image. The window answers the toolbar's NM_CUSTOMDRAW with this:
// the control paints a drop-down button but its arrow's room, which is then
// painted here, with an arrow sized by the toolbar's metrics.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include "toolbar/toolbar_metrics.h"

namespace pq::win32 {

// The answer to one NM_CUSTOMDRAW of a toolbar control whose drop-down
// buttons keep `arrow_room` pixels at their right for the arrow, where the
// control does not say (TB_GETITEMDROPDOWNRECT). `paint_theme` is the
// caller's to keep from one notification of a paint to the next: the
// control's theme, asked once per paint.
LRESULT DrawDropDownArrows(const NMTBCUSTOMDRAW& draw, const ToolbarMetrics& metrics, int arrow_room,
                           HTHEME& paint_theme);

}  // namespace pq::win32
