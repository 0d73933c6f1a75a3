#pragma once
// Popup menus built from the item tree: a submenu button's menu, the chevron's
// menu of the items that do not fit, and the window's two context menus.
// Images come from the toolbar's image list and are drawn by the menu's owner
// window, which passes its WM_MEASUREITEM and WM_DRAWITEM for menus here.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "toolbar/toolbar_items.h"
#include "win32/handles.h"

namespace pq::win32 {

// How a menu shows a shortcut code of the widget layer after the caption:
// "Ctrl+X", "Shift+F5", "Del"; empty for none.
std::string ShortCutText(uint16_t shortcut);

class ItemMenu {
 public:
  // The items in order, each submenu with its entries; hidden items are left
  // out. A split submenu becomes an entry that opens its entries below one
  // for itself, so that both of its parts stay reachable.
  explicit ItemMenu(const std::vector<TTBCustomItem*>& items);

  HMENU Handle() const { return menu_.get(); }
  // The item behind a command that the menu returned; null for none.
  TTBCustomItem* ItemFor(UINT command) const;

  // Shows the menu with its top left corner (or top right, right_aligned) at
  // a point of the screen, beside the rectangle to keep clear when one is
  // given, and returns the item chosen or null.
  TTBCustomItem* Track(HWND owner, POINT at, const RECT* keep_clear,
                       bool right_aligned = false) const;

  // The owner window's part in drawing the images; false for what is not a
  // menu image.
  static bool Measure(MEASUREITEMSTRUCT& measure, HIMAGELIST images);
  static bool Draw(const DRAWITEMSTRUCT& draw, HIMAGELIST images);

 private:
  void Fill(HMENU menu, const std::vector<TTBCustomItem*>& items);
  void AppendCommand(HMENU menu, TTBCustomItem& item);
  void AppendSubmenu(HMENU menu, TTBCustomItem& item);

  unique_hmenu menu_;
  std::vector<TTBCustomItem*> commands_;  // command n is commands_[n - 1]
};

}  // namespace pq::win32
