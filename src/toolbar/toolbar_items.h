#pragma once
// The toolbar window's components and its item model: plain, submenu,
// separator and control items with their children, as the widget layer shows
// them. The window owns every component; items refer to each other by plain
// pointers that stay valid for the window's life.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace pq {

class TToolbarForm;

// Which of the toolbar window's handlers a component's click goes to. The
// window's command dispatch calls the handler so named, with the component as
// its sender.
enum class TClickHandler {
  None,
  MIClick,
  MISearchClick,
  SpeedBtnClick,
  miResetClick,
  MIDirectURLClick,
  eMailClick,
  AboutClick,
  miCloseClick,
  miCutClick,
  miCopyClick,
  miPasteClick,
  miDeleteClick,
  miSelectAllClick,
  miSaveSearchesClick,
  miLoadSearchesClick,
  miEditHistoryClick,
  miRefreshSearchesClick,
  miRemoveSelectedClick,
  miClearSearchesClick,
  ImageClick,
};

// Something the window owns, with a name that is unique among the window's
// components without regard to case, or no name.
class TComponent {
 public:
  TComponent(TToolbarForm* owner, std::string class_name)
      : owner_(owner), class_name_(std::move(class_name)) {}
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  // Raises Error when the name is not an identifier or another component of
  // the owner has it already; the component then keeps its old name.
  void SetName(const std::string& name);
  // The widget class, as in "TTBItem".
  const std::string& ClassName() const { return class_name_; }
  TToolbarForm* Owner() const { return owner_; }

 private:
  TToolbarForm* owner_;
  std::string class_name_;
  std::string name_;
};

// True for letters, digits and underscores, not beginning with a digit.
bool IsValidIdent(const std::string& name);

enum class TTBItemKind { Plain, Submenu, Separator, Control, Root };

// How deep configured items may nest: an item on the toolbar's top level
// stands at level 1, an entry of its submenu at level 2. Each level is a menu
// opened from the one above, so no one uses nearly as many, and the bound
// keeps every walk through the items short whatever a file holds.
inline constexpr int kMaxItemDepth = 32;

// The most characters a button on the toolbar shows of its caption: a longer
// caption would push the buttons after it into the chevron menu. Menus show
// captions whole.
inline constexpr size_t kMaxButtonCaption = 40;
// The caption as a toolbar button shows it: a longer one cut to its first
// kMaxButtonCaption - 1 characters and "\u2026".
std::string ButtonCaption(const std::string& caption);
// Characters (code points; a stray byte outside UTF-8 counts as one).
size_t CaptionLength(const std::string& caption);

enum TTBDisplayMode { nbdmDefault, nbdmImageAndText };

enum TTBItemOption : unsigned {
  tboDropdownArrow = 1u << 0,  // a drop-down arrow is drawn
  tboShowHint = 1u << 1,       // the Hint shows as a tooltip
};

class TTBItemOptions {
 public:
  bool Contains(TTBItemOption option) const { return (bits_ & option) != 0; }
  void Include(TTBItemOption option) { bits_ |= option; }
  void Exclude(TTBItemOption option) { bits_ &= ~static_cast<unsigned>(option); }
  bool Empty() const { return bits_ == 0; }

 private:
  unsigned bits_ = 0;
};

class TTBCustomItem : public TComponent {
 public:
  TTBCustomItem(TToolbarForm* owner, std::string class_name, TTBItemKind kind)
      : TComponent(owner, std::move(class_name)), kind_(kind) {}

  TTBItemKind Kind() const { return kind_; }

  std::string Caption;
  std::string Hint;  // an address or a search template
  // The charset a search template's engine expects its query in, by name
  // ("windows-1251"); empty for UTF-8.
  std::string Encoding;
  // A search type's suggestion service, a template as the search address is.
  std::string SuggestUrl;
  int32_t ImageIndex = -1;
  int32_t Tag = 0;
  int32_t GroupIndex = 0;
  bool AutoCheck = false;
  TTBDisplayMode DisplayMode = nbdmDefault;
  TTBItemOptions Options;
  bool Visible = true;
  bool Enabled = true;
  uint16_t ShortCut = 0;  // the widget layer's key code, 0 for none
  TClickHandler OnClick = TClickHandler::None;

  bool Checked() const { return checked_; }
  // Checking an item unchecks the items of the same parent that share its
  // non-zero GroupIndex.
  void SetChecked(bool checked);

  // Appends an item as the last child. Raises Error for an item that already
  // has a parent, and for this item itself or one of its ancestors.
  void Add(TTBCustomItem& child);
  const std::vector<TTBCustomItem*>& Items() const { return children_; }
  TTBCustomItem* Parent() const { return parent_; }
  // 0 for a top level; 1 for an item on one and for an item placed nowhere;
  // one more for each submenu further down. Walks up the tree.
  int Level() const;

 private:
  TTBItemKind kind_;
  bool checked_ = false;
  TTBCustomItem* parent_ = nullptr;
  std::vector<TTBCustomItem*> children_;
};

class TTBItem : public TTBCustomItem {
 public:
  explicit TTBItem(TToolbarForm* owner) : TTBCustomItem(owner, "TTBItem", TTBItemKind::Plain) {}
};

class TTBSubmenuItem : public TTBCustomItem {
 public:
  explicit TTBSubmenuItem(TToolbarForm* owner)
      : TTBCustomItem(owner, "TTBSubmenuItem", TTBItemKind::Submenu) {}
  // Split: the main part is clicked like a button, the arrow opens the submenu.
  bool DropdownCombo = false;
};

class TTBSeparatorItem : public TTBCustomItem {
 public:
  explicit TTBSeparatorItem(TToolbarForm* owner)
      : TTBCustomItem(owner, "TTBSeparatorItem", TTBItemKind::Separator) {}
};

// An item that shows an ordinary control in its place.
class TTBControlItem : public TTBCustomItem {
 public:
  explicit TTBControlItem(TToolbarForm* owner)
      : TTBCustomItem(owner, "TTBControlItem", TTBItemKind::Control) {}
  TComponent* Control = nullptr;
};

// The top level of a toolbar or a popup menu: holds items, is not one of the
// window's components.
class TTBRootItem : public TTBCustomItem {
 public:
  TTBRootItem() : TTBCustomItem(nullptr, "TTBRootItem", TTBItemKind::Root) {}
};

// The dock's toolbar: the items of its top level.
class TTBToolbar : public TComponent {
 public:
  explicit TTBToolbar(TToolbarForm* owner) : TComponent(owner, "TTBToolbar") {}
  TTBRootItem Items;
};

class TTBPopupMenu : public TComponent {
 public:
  explicit TTBPopupMenu(TToolbarForm* owner) : TComponent(owner, "TTBPopupMenu") {}
  TTBRootItem Items;
};

// The banner picture.
class TImage : public TComponent {
 public:
  explicit TImage(TToolbarForm* owner) : TComponent(owner, "TImage") {}
  TClickHandler OnClick = TClickHandler::None;
};

// A file dialog: its settings, and the name chosen last, live as long as the
// window.
class TFileDialog : public TComponent {
 public:
  TFileDialog(TToolbarForm* owner, FileDialogSettings::Kind kind)
      : TComponent(owner, kind == FileDialogSettings::Kind::Open ? "TOpenDialog" : "TSaveDialog") {
    Settings.kind = kind;
  }
  FileDialogSettings Settings;
};

// Any other component that the window's construction only names: the dock,
// the banner area, the search box, the dialogs, the image list.
class TOtherComponent : public TComponent {
 public:
  using TComponent::TComponent;
};

}  // namespace pq
