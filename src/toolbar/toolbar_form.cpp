#include "toolbar/toolbar_form.h"

#include "platform/error.h"
#include "platform/text.h"

namespace pq {
namespace {

// Shortcut codes of the widget layer: Ctrl is 0x4000 above the key code.
constexpr uint16_t kCtrlX = 16472;
constexpr uint16_t kCtrlC = 16451;
constexpr uint16_t kCtrlV = 16470;
constexpr uint16_t kDel = 46;

}  // namespace

TToolbarForm::TToolbarForm(Platform& platform, ToolbarView& view)
    : platform_(platform), view_(view) {
  Dock = &CreateOther("TTBDock", "Dock");
  Toolbar = &CreateComponent<TTBToolbar>();
  Toolbar->SetName("Toolbar");
  TBControlItem1 = &CreateComponent<TTBControlItem>();
  TBControlItem1->SetName("TBControlItem1");
  TBSeparatorItem1 = &CreateComponent<TTBSeparatorItem>();
  TBSeparatorItem1->SetName("TBSeparatorItem1");
  TBControlItem2 = &CreateComponent<TTBControlItem>();
  TBControlItem2->SetName("TBControlItem2");
  Toolbar->Items.Add(*TBControlItem1);
  Toolbar->Items.Add(*TBSeparatorItem1);
  Toolbar->Items.Add(*TBControlItem2);

  FlashToolbar = &CreateOther("TTBToolWindow", "FlashToolbar");
  TBControlItem1->Control = FlashToolbar;
  Image = &CreateComponent<TImage>();
  Image->SetName("Image");
  Image->OnClick = TClickHandler::ImageClick;
  SearchBox = &CreateOther("TComboBox", "SearchBox");
  TBControlItem2->Control = SearchBox;

  MainPopup = &CreateComponent<TTBPopupMenu>();
  MainPopup->SetName("MainPopup");
  for (int n = 1; n <= 5; ++n) {
    miSpeedBtn[n - 1] = &AddMenuItem(*MainPopup, "miSpeedBtn" + std::to_string(n),
                                     "Speed Button " + std::to_string(n) + " URL", 12 + n,
                                     TClickHandler::SpeedBtnClick);
    miSpeedBtn[n - 1]->Visible = false;
  }
  miReset =
      &AddMenuItem(*MainPopup, "miReset", "Reset To Default URLs", 38, TClickHandler::miResetClick);
  miReset->Visible = false;
  AddMenuSeparator(*MainPopup, "TBSeparatorItem3").Visible = false;
  miLatestVersion = &AddMenuItem(*MainPopup, "miLatestVersion", "Check for Latest Toolbar Version",
                                 -1, TClickHandler::MIDirectURLClick);
  miLatestVersion->Visible = false;
  AddMenuSeparator(*MainPopup, "TBSeparatorItem2").Visible = false;
  miSupport =
      &AddMenuItem(*MainPopup, "miSupport", "Toolbar Support", 53, TClickHandler::eMailClick);
  miWebsite =
      &AddMenuItem(*MainPopup, "miWebsite", "Toolbar Website", 1, TClickHandler::MIDirectURLClick);
  AddMenuSeparator(*MainPopup, "TBSeparatorItem47");
  miAbout = &AddMenuItem(*MainPopup, "miAbout", "About Toolbar...", -1, TClickHandler::AboutClick);
  miClose = &AddMenuItem(*MainPopup, "miClose", "Close Toolbar", -1, TClickHandler::miCloseClick);

  SearchPopup = &CreateComponent<TTBPopupMenu>();
  SearchPopup->SetName("SearchPopup");
  miCut = &AddMenuItem(*SearchPopup, "miCut", "Cu&t", 33, TClickHandler::miCutClick);
  miCut->ShortCut = kCtrlX;
  miCut->Hint = "Cut|Cuts the selection and puts it on the Clipboard";
  miCopy = &AddMenuItem(*SearchPopup, "miCopy", "&Copy", 34, TClickHandler::miCopyClick);
  miCopy->ShortCut = kCtrlC;
  miCopy->Hint = "Copy|Copies the selection and puts it on the Clipboard";
  miPaste = &AddMenuItem(*SearchPopup, "miPaste", "&Paste", 35, TClickHandler::miPasteClick);
  miPaste->ShortCut = kCtrlV;
  miPaste->Hint = "Paste|Inserts Clipboard contents";
  miDelete = &AddMenuItem(*SearchPopup, "miDelete", "&Delete", 37, TClickHandler::miDeleteClick);
  miDelete->ShortCut = kDel;
  miDelete->Hint = "Delete|Erases the selection";
  AddMenuSeparator(*SearchPopup, "TBSeparatorItem40");
  miSelectAll =
      &AddMenuItem(*SearchPopup, "miSelectAll", "Select &All", 44, TClickHandler::miSelectAllClick);
  miSelectAll->Hint = "Select All|Selects the entire document";
  AddMenuSeparator(*SearchPopup, "TBSeparatorItem36");
  miSaveSearches = &AddMenuItem(*SearchPopup, "miSaveSearches", "Save Searches To File", 41,
                                TClickHandler::miSaveSearchesClick);
  miLoadSearches = &AddMenuItem(*SearchPopup, "miLoadSearches", "Load Searches From File", 43,
                                TClickHandler::miLoadSearchesClick);
  miEditHistory = &AddMenuItem(*SearchPopup, "miEditHistory", "Edit History File in Text Editor",
                               45, TClickHandler::miEditHistoryClick);
  miRefreshSearches = &AddMenuItem(*SearchPopup, "miRefreshSearches", "Refresh Searches", 7,
                                   TClickHandler::miRefreshSearchesClick);
  AddMenuSeparator(*SearchPopup, "TBSeparatorItem39");
  miRemoveSelected = &AddMenuItem(*SearchPopup, "miRemoveSelected", "Remove Selected From List",
                                  118, TClickHandler::miRemoveSelectedClick);
  miClearSearches = &AddMenuItem(*SearchPopup, "miClearSearches", "Clear Search Box History", 121,
                                 TClickHandler::miClearSearchesClick);

  OpenDialog1 = &CreateOther("TOpenDialog", "OpenDialog1");
  SaveDialog1 = &CreateOther("TSaveDialog", "SaveDialog1");
  ImageList = &CreateOther("TTBImageList", "ImageList");
}

TComponent* TToolbarForm::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  auto found = by_name_.find(std::string_view(name));
  return found == by_name_.end() ? nullptr : found->second;
}

void TToolbarForm::Reserve(size_t more) {
  components_.reserve(components_.size() + more);
  by_name_.reserve(by_name_.size() + more);
}

void TToolbarForm::Rename(TComponent& component, const std::string& old_name,
                          const std::string& new_name) {
  // A change of letter case alone keeps the component where it is.
  if (!SameText(old_name, new_name) && FindComponent(new_name))
    throw Error("A component named " + new_name + " already exists");
  if (!old_name.empty()) {
    auto old_entry = by_name_.find(std::string_view(old_name));
    if (old_entry != by_name_.end()) by_name_.erase(old_entry);
  }
  if (!new_name.empty()) by_name_.emplace(new_name, &component);
}

TOtherComponent& TToolbarForm::CreateOther(const std::string& class_name, const std::string& name) {
  auto component = std::make_unique<TOtherComponent>(this, class_name);
  TOtherComponent& created = *component;
  components_.push_back(std::move(component));
  created.SetName(name);
  return created;
}

TTBItem& TToolbarForm::AddMenuItem(TTBPopupMenu& menu, const std::string& name,
                                   const std::string& caption, int32_t image,
                                   TClickHandler handler) {
  TTBItem& item = CreateComponent<TTBItem>();
  item.SetName(name);
  item.Caption = caption;
  item.ImageIndex = image;
  item.OnClick = handler;
  menu.Items.Add(item);
  return item;
}

TTBSeparatorItem& TToolbarForm::AddMenuSeparator(TTBPopupMenu& menu, const std::string& name) {
  TTBSeparatorItem& separator = CreateComponent<TTBSeparatorItem>();
  separator.SetName(name);
  menu.Items.Add(separator);
  return separator;
}

}  // namespace pq
