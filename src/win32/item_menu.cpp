#include "win32/item_menu.h"

#include "platform/error.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

// Modifier bits of the widget layer's shortcut codes, above the key code.
constexpr uint16_t kShiftBit = 0x2000;
constexpr uint16_t kCtrlBit = 0x4000;
constexpr uint16_t kAltBit = 0x8000;

// The image an entry draws, kept in the entry's data.
constexpr ULONG_PTR kNoImage = static_cast<ULONG_PTR>(-1);
constexpr int kImageSize = 16;
constexpr int kImageGap = 4;

std::string KeyName(unsigned key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK:
      return "BkSp";
    case VK_TAB:
      return "Tab";
    case VK_RETURN:
      return "Enter";
    case VK_ESCAPE:
      return "Esc";
    case VK_SPACE:
      return "Space";
    case VK_PRIOR:
      return "PgUp";
    case VK_NEXT:
      return "PgDn";
    case VK_END:
      return "End";
    case VK_HOME:
      return "Home";
    case VK_LEFT:
      return "Left";
    case VK_UP:
      return "Up";
    case VK_RIGHT:
      return "Right";
    case VK_DOWN:
      return "Down";
    case VK_INSERT:
      return "Ins";
    case VK_DELETE:
      return "Del";
  }
  // Keys of the user's keyboard layout: its own name for the key.
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  std::wstring name(64, L'\0');
  const int length = scan ? GetKeyNameTextW(static_cast<LONG>(scan << 16), name.data(),
                                            static_cast<int>(name.size()))
                          : 0;
  name.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return Utf8(name);
}

}  // namespace

std::string ShortCutText(uint16_t shortcut) {
  const unsigned key = shortcut & 0xFF;
  if (key == 0) return {};
  const std::string name = KeyName(key);
  if (name.empty()) return {};
  std::string text;
  if (shortcut & kShiftBit) text += "Shift+";
  if (shortcut & kCtrlBit) text += "Ctrl+";
  if (shortcut & kAltBit) text += "Alt+";
  return text + name;
}

ItemMenu::ItemMenu(const std::vector<TTBCustomItem*>& items) : menu_(CreatePopupMenu()) {
  if (!menu_) throw Error("The menu cannot be created");
  Fill(menu_.get(), items);
}

TTBCustomItem* ItemMenu::ItemFor(UINT command) const {
  return command >= 1 && command <= commands_.size() ? commands_[command - 1] : nullptr;
}

void ItemMenu::Fill(HMENU menu, const std::vector<TTBCustomItem*>& items) {
  bool separator_due = false;
  for (TTBCustomItem* item : items) {
    if (!item->Visible) continue;
    // Separators only between entries: none leading, trailing or doubled.
    if (item->Kind() == TTBItemKind::Separator) {
      separator_due = GetMenuItemCount(menu) > 0;
      continue;
    }
    if (item->Kind() == TTBItemKind::Control) continue;
    if (separator_due) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    separator_due = false;
    if (item->Kind() == TTBItemKind::Submenu && !item->Items().empty())
      AppendSubmenu(menu, *item);
    else
      AppendCommand(menu, *item);
  }
}

void ItemMenu::AppendCommand(HMENU menu, TTBCustomItem& item) {
  commands_.push_back(&item);
  std::string text = item.Caption;
  const std::string shortcut = ShortCutText(item.ShortCut);
  if (!shortcut.empty()) text += "\t" + shortcut;
  std::wstring wide = Wide(text);
  MENUITEMINFOW entry{};
  entry.cbSize = sizeof entry;
  entry.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_DATA;
  entry.fType = MFT_STRING | (item.GroupIndex > 0 ? MFT_RADIOCHECK : 0);
  entry.fState = (item.Checked() ? MFS_CHECKED : 0) | (item.Enabled ? 0 : MFS_GRAYED);
  entry.wID = static_cast<UINT>(commands_.size());
  entry.dwTypeData = wide.data();
  entry.dwItemData = item.ImageIndex >= 0 ? static_cast<ULONG_PTR>(item.ImageIndex) : kNoImage;
  if (item.ImageIndex >= 0) {
    entry.fMask |= MIIM_BITMAP;
    entry.hbmpItem = HBMMENU_CALLBACK;
  }
  InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &entry);
}

void ItemMenu::AppendSubmenu(HMENU menu, TTBCustomItem& item) {
  unique_hmenu submenu(CreatePopupMenu());
  if (!submenu) throw Error("The menu cannot be created");
  const auto* split = dynamic_cast<const TTBSubmenuItem*>(&item);
  if (split && split->DropdownCombo) {
    AppendCommand(submenu.get(), item);
    if (GetMenuItemCount(submenu.get()) > 0) AppendMenuW(submenu.get(), MF_SEPARATOR, 0, nullptr);
  }
  Fill(submenu.get(), item.Items());
  MENUITEMINFOW entry{};
  entry.cbSize = sizeof entry;
  entry.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU | MIIM_DATA;
  entry.fType = MFT_STRING;
  entry.fState = item.Enabled ? 0 : MFS_GRAYED;
  std::wstring text = Wide(item.Caption);
  entry.dwTypeData = text.data();
  entry.hSubMenu = submenu.get();
  entry.dwItemData = item.ImageIndex >= 0 ? static_cast<ULONG_PTR>(item.ImageIndex) : kNoImage;
  if (item.ImageIndex >= 0) {
    entry.fMask |= MIIM_BITMAP;
    entry.hbmpItem = HBMMENU_CALLBACK;
  }
  // The menu destroys its submenus with itself.
  if (InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &entry))
    submenu.release();
}

TTBCustomItem* ItemMenu::Track(HWND owner, POINT at, const RECT* keep_clear,
                               bool right_aligned) const {
  TPMPARAMS params{};
  params.cbSize = sizeof params;
  if (keep_clear) params.rcExclude = *keep_clear;
  const UINT command = static_cast<UINT>(
      TrackPopupMenuEx(menu_.get(),
                       (right_aligned ? TPM_RIGHTALIGN : TPM_LEFTALIGN) | TPM_TOPALIGN |
                           TPM_VERTICAL | TPM_RETURNCMD | TPM_RIGHTBUTTON,
                       at.x, at.y, owner, keep_clear ? &params : nullptr));
  return ItemFor(command);
}

namespace {

// The images' size: larger at a higher resolution.
int ImageSize(HIMAGELIST images) {
  int width = 0, height = 0;
  return images && ImageList_GetIconSize(images, &width, &height) ? height : kImageSize;
}

}  // namespace

bool ItemMenu::Measure(MEASUREITEMSTRUCT& measure, HIMAGELIST images) {
  if (measure.CtlType != ODT_MENU || measure.itemData == kNoImage) return false;
  // A little room between the image and the caption.
  const int size = ImageSize(images);
  measure.itemWidth = static_cast<UINT>(size + kImageGap);
  measure.itemHeight = static_cast<UINT>(size);
  return true;
}

bool ItemMenu::Draw(const DRAWITEMSTRUCT& draw, HIMAGELIST images) {
  if (draw.CtlType != ODT_MENU || draw.itemData == kNoImage) return false;
  const RECT& area = draw.rcItem;
  const int size = ImageSize(images);
  const int x = area.left + (area.right - area.left - size - kImageGap) / 2;
  const int y = area.top + (area.bottom - area.top - size) / 2;
  const UINT style =
      (draw.itemState & ODS_GRAYED) ? ILD_TRANSPARENT | ILD_BLEND50 : ILD_TRANSPARENT;
  ImageList_DrawEx(images, static_cast<int>(draw.itemData), draw.hDC, x, y, 0, 0, CLR_NONE,
                   CLR_DEFAULT, style);
  return true;
}

}  // namespace pq::win32
