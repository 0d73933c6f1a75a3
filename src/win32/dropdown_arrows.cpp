#include "win32/dropdown_arrows.h"

#include <uxtheme.h>
#include <vssym32.h>

namespace pq::win32 {
namespace {

struct DropDown {
  bool split = false;  // an arrow of its own beside the button's main part
  RECT room{};         // where the arrow goes
};

// Whether the toolbar's button of `command` has an arrow, and where.
bool FindDropDown(HWND toolbar, UINT_PTR command, const RECT& button, int arrow_room,
                  DropDown& found) {
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_STYLE;
  if (SendMessageW(toolbar, TB_GETBUTTONINFOW, command, reinterpret_cast<LPARAM>(&info)) < 0)
    return false;
  const bool split = (info.fsStyle & BTNS_DROPDOWN) &&
                     (SendMessageW(toolbar, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS);
  if (!split && !(info.fsStyle & BTNS_WHOLEDROPDOWN)) return false;
  found.split = split;
  found.room = {button.right - arrow_room, button.top, button.right, button.bottom};
  const LRESULT index = SendMessageW(toolbar, TB_COMMANDTOINDEX, command, 0);
  RECT told{};
  if (split && index >= 0 &&
      SendMessageW(toolbar, TB_GETITEMDROPDOWNRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&told)) &&
      told.right > told.left)
    found.room = told;
  if (found.room.left < button.left) found.room.left = button.left;
  return true;
}

int ThemeState(UINT item_state) {
  if (item_state & CDIS_DISABLED) return TS_DISABLED;
  if (item_state & CDIS_SELECTED) return TS_PRESSED;
  if (item_state & CDIS_CHECKED) return (item_state & CDIS_HOT) ? TS_HOTCHECKED : TS_CHECKED;
  if (item_state & CDIS_HOT) return TS_HOT;
  return TS_NORMAL;
}

// The button's face within the arrow's room, as the control draws it there,
// with its theme where it has one.
void PaintRoom(HTHEME theme, HDC dc, const RECT& button, const DropDown& drop_down, UINT state) {
  if (theme) {
    if (drop_down.split)
      DrawThemeBackground(theme, dc, TP_DROPDOWNBUTTON, ThemeState(state), &drop_down.room, nullptr);
    else
      DrawThemeBackground(theme, dc, TP_BUTTON, ThemeState(state), &button, &drop_down.room);
    return;
  }
  if (state & (CDIS_DISABLED | CDIS_INDETERMINATE)) return;
  const UINT edge = (state & (CDIS_SELECTED | CDIS_CHECKED)) ? BDR_SUNKENOUTER
                    : (state & CDIS_HOT)                     ? BDR_RAISEDINNER
                                                             : 0;
  if (!edge) return;
  RECT frame = drop_down.split ? drop_down.room : button;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, drop_down.room.left, drop_down.room.top, drop_down.room.right,
                    drop_down.room.bottom);
  DrawEdge(dc, &frame, edge, BF_RECT);
  RestoreDC(dc, saved);
}

// A downward triangle `width` pixels wide, centred in the room, drawn row by
// row so that its edges are whole pixels at any size.
void PaintArrow(HDC dc, const RECT& room, int width, UINT state) {
  const int height = (width + 1) / 2;
  int left = room.left + (room.right - room.left - width) / 2;
  int top = room.top + (room.bottom - room.top - height) / 2;
  if (state & CDIS_SELECTED) ++left, ++top;  // pressed, as the control offsets its content
  const HBRUSH brush =
      GetSysColorBrush((state & (CDIS_DISABLED | CDIS_INDETERMINATE)) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  for (int row = 0; row < height; ++row) {
    const RECT line{left + row, top + row, left + width - row, top + row + 1};
    FillRect(dc, &line, brush);
  }
}

}  // namespace

LRESULT DrawDropDownArrows(const NMTBCUSTOMDRAW& draw, const ToolbarMetrics& metrics, int arrow_room,
                           HTHEME& paint_theme) {
  const NMCUSTOMDRAW& item = draw.nmcd;
  const HWND toolbar = item.hdr.hwndFrom;
  switch (item.dwDrawStage) {
    case CDDS_PREPAINT:
      // The theme the control paints with, which it keeps while it lives;
      // asking for it is a round trip to the window system, once a paint.
      paint_theme = GetWindowTheme(toolbar);
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      DropDown drop_down;
      if (!FindDropDown(toolbar, item.dwItemSpec, item.rc, arrow_room, drop_down))
        return CDRF_DODEFAULT;
      // The control paints the rest; its drawing of the room, and of an arrow
      // that spills out of it onto the next button, is clipped away until the
      // button is done.
      SaveDC(item.hdc);
      const int spill = drop_down.room.right - drop_down.room.left;
      ExcludeClipRect(item.hdc, drop_down.room.left, drop_down.room.top,
                      drop_down.room.right + spill, drop_down.room.bottom);
      return CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPOSTPAINT: {
      RestoreDC(item.hdc, -1);
      DropDown drop_down;
      if (!FindDropDown(toolbar, item.dwItemSpec, item.rc, arrow_room, drop_down))
        return CDRF_DODEFAULT;
      PaintRoom(paint_theme, item.hdc, item.rc, drop_down, item.uItemState);
      PaintArrow(item.hdc, drop_down.room, metrics.arrow_glyph, item.uItemState);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

}  // namespace pq::win32
