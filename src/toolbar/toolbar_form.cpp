#include "toolbar/toolbar_form.h"

#include <utility>
#include <vector>

#include "config/registry_store.h"
#include "config/toolbar_config.h"
#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/internet.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "toolbar/banner_animation.h"

namespace pq {
namespace {

// Shortcut codes of the widget layer: Ctrl is 0x4000 above the key code.
constexpr uint16_t kCtrlX = 16472;
constexpr uint16_t kCtrlC = 16451;
constexpr uint16_t kCtrlV = 16470;
constexpr uint16_t kDel = 46;

// Whether a fixed menu's entry shows.
constexpr bool kShown = true;
constexpr bool kHidden = false;

constexpr char kDateValue[] = "Date";
constexpr char kSearchDialogFileName[] = "Toolbar Searches.txt";
constexpr char kSearchDialogFilter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
constexpr char kSearchDialogDefaultExt[] = ".txt";

// The animated banner's place in the banner area.
constexpr int32_t kBannerWidth = 105;
constexpr int32_t kBannerHeight = 22;
// The toolbar keeps this much room to the browser window's right edge, and
// never gets narrower than the least width.
constexpr int32_t kBrowserMargin = 20;
constexpr int32_t kLeastWidth = 140;

// Where a movie player installs itself below the Windows directory, in the
// order they are tried.
constexpr const char* kFlashPlayerFiles[] = {
    "\\System\\Macromed\\flash\\flash.ocx",   "\\System\\Macromed\\flash\\swflash.ocx",
    "\\System\\Macromed\\flash.ocx",          "\\System\\Macromed\\swflash.ocx",
    "\\system32\\Macromed\\Flash\\flash.ocx", "\\system32\\Macromed\\Flash\\swflash.ocx",
};

}  // namespace

// The platform's dialogs as the window shows them: each is a modal call of the
// window's, which ends its handler when the window was destroyed meanwhile. A
// file dialog fills a copy of the settings, which become the window's only
// while it lives.
class TToolbarForm::ModalDialogs final : public UserInterface {
 public:
  ModalDialogs(TToolbarForm& form, UserInterface& dialogs) : form_(form), dialogs_(dialogs) {}

  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) override {
    return form_.Modal(
        [&, &dialogs = dialogs_] { return dialogs.ShowMessageBox(text, caption, style); });
  }
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& initial) override {
    return form_.Modal(
        [&, &dialogs = dialogs_] { return dialogs.InputBox(caption, prompt, initial); });
  }
  bool ExecuteFileDialog(FileDialogSettings& dialog) override {
    FileDialogSettings shown = dialog;
    const bool chosen =
        form_.Modal([&, &dialogs = dialogs_] { return dialogs.ExecuteFileDialog(shown); });
    dialog = std::move(shown);
    return chosen;
  }
  void SetClipboardText(const std::string& text) override { dialogs_.SetClipboardText(text); }
  std::optional<std::string> ClipboardText() override { return dialogs_.ClipboardText(); }
  void ShowAboutBox(const AboutBoxContent& content) override {
    form_.Modal([&, &dialogs = dialogs_] { dialogs.ShowAboutBox(content); });
  }

 private:
  TToolbarForm& form_;
  UserInterface& dialogs_;
};

bool IsFlashInstalled(Platform& platform) {
  const std::string windows = platform.desktop->WindowsDirectory();
  for (const char* file : kFlashPlayerFiles)
    if (Files().Exists(windows + file)) return true;
  return false;
}

TToolbarForm::TToolbarForm(Platform& platform, ToolbarView& view)
    : platform_(platform), view_(view), permissions_(DecidePermissions(platform)) {
  mailbox_ = std::make_shared<SuggestionMailbox>(view_.SuggestionWaker());
  if (platform_.ui) {
    dialogs_ = std::make_unique<ModalDialogs>(*this, *platform_.ui);
    platform_.ui = dialogs_.get();
  }
  Dock = &CreateNamed<TOtherComponent>("Dock", "TTBDock");
  Toolbar = &CreateNamed<TTBToolbar>("Toolbar");
  TBControlItem1 = &CreateNamed<TTBControlItem>("TBControlItem1");
  TBSeparatorItem1 = &CreateNamed<TTBSeparatorItem>("TBSeparatorItem1");
  TBControlItem2 = &CreateNamed<TTBControlItem>("TBControlItem2");
  Toolbar->Items.Add(*TBControlItem1);
  Toolbar->Items.Add(*TBSeparatorItem1);
  Toolbar->Items.Add(*TBControlItem2);
  FlashToolbar = &CreateNamed<TOtherComponent>("FlashToolbar", "TTBToolWindow");
  TBControlItem1->Control = FlashToolbar;
  Image = &CreateNamed<TImage>("Image");
  Image->OnClick = TClickHandler::ImageClick;
  SearchBox = &CreateNamed<TOtherComponent>("SearchBox", "TComboBox");
  TBControlItem2->Control = SearchBox;

  // In the menus' tables the handlers go by their bare names.
  using enum TClickHandler;
  const MenuEntry main_menu[] = {
      {&miSpeedBtn[0], "miSpeedBtn1", "Speed Button 1 URL", kIconNumber1, SpeedBtnClick, kHidden},
      {&miSpeedBtn[1], "miSpeedBtn2", "Speed Button 2 URL", kIconNumber2, SpeedBtnClick, kHidden},
      {&miSpeedBtn[2], "miSpeedBtn3", "Speed Button 3 URL", kIconNumber3, SpeedBtnClick, kHidden},
      {&miSpeedBtn[3], "miSpeedBtn4", "Speed Button 4 URL", kIconNumber4, SpeedBtnClick, kHidden},
      {&miSpeedBtn[4], "miSpeedBtn5", "Speed Button 5 URL", kIconNumber5, SpeedBtnClick, kHidden},
      {&miReset, "miReset", "Reset To Default URLs", kIconUndo, miResetClick, kHidden},
      {.name = "TBSeparatorItem3", .visible = kHidden},
      {&miLatestVersion, "miLatestVersion", "Check for Latest Toolbar Version", kNoIcon,
       MIDirectURLClick, kHidden},
      {.name = "TBSeparatorItem2", .visible = kHidden},
      {&miSupport, "miSupport", "Toolbar Support", kIconMail, eMailClick},
      {&miWebsite, "miWebsite", "Toolbar Website", kIconHome, MIDirectURLClick},
      {.name = "TBSeparatorItem47"},
      {&miAbout, "miAbout", "About Toolbar...", kNoIcon, AboutClick},
      {&miClose, "miClose", "Close Toolbar", kNoIcon, miCloseClick},
  };
  const MenuEntry search_menu[] = {
      {&miCut, "miCut", "Cu&t", kIconCut, miCutClick, kShown,
       "Cut|Cuts the selection and puts it on the Clipboard", kCtrlX},
      {&miCopy, "miCopy", "&Copy", kIconCopy, miCopyClick, kShown,
       "Copy|Copies the selection and puts it on the Clipboard", kCtrlC},
      {&miPaste, "miPaste", "&Paste", kIconPaste, miPasteClick, kShown,
       "Paste|Inserts Clipboard contents", kCtrlV},
      {&miDelete, "miDelete", "&Delete", kIconCross, miDeleteClick, kShown,
       "Delete|Erases the selection", kDel},
      {.name = "TBSeparatorItem40"},
      {&miSelectAll, "miSelectAll", "Select &All", kIconTextPage, miSelectAllClick, kShown,
       "Select All|Selects the entire document"},
      {.name = "TBSeparatorItem36"},
      {&miSaveSearches, "miSaveSearches", "Save Searches To File", kIconSave, miSaveSearchesClick},
      {&miLoadSearches, "miLoadSearches", "Load Searches From File", kIconOpen,
       miLoadSearchesClick},
      {&miEditHistory, "miEditHistory", "Edit History File in Text Editor", kIconEditPage,
       miEditHistoryClick},
      {&miRefreshSearches, "miRefreshSearches", "Refresh Searches", kIconPageRefresh,
       miRefreshSearchesClick},
      {.name = "TBSeparatorItem39"},
      {&miRemoveSelected, "miRemoveSelected", "Remove Selected From List", kIconEraser,
       miRemoveSelectedClick},
      {&miClearSearches, "miClearSearches", "Clear Search Box History", kIconBin,
       miClearSearchesClick},
  };
  CreateMenu(MainPopup, "MainPopup", main_menu);
  CreateMenu(SearchPopup, "SearchPopup", search_menu);

  OpenDialog1 = &CreateNamed<TFileDialog>("OpenDialog1", FileDialogSettings::Kind::Open);
  SaveDialog1 = &CreateNamed<TFileDialog>("SaveDialog1", FileDialogSettings::Kind::Save);
  for (TFileDialog* dialog : {OpenDialog1, SaveDialog1}) {
    dialog->Settings.FileName = kSearchDialogFileName;
    dialog->Settings.Filter = kSearchDialogFilter;
    dialog->Settings.DefaultExt = kSearchDialogDefaultExt;
  }
  ImageList = &CreateNamed<TOtherComponent>("ImageList", "TTBImageList");
}

TToolbarForm::~TToolbarForm() = default;

// --- events

bool TToolbarForm::Guarded(const std::function<void()>& handler) {
  const std::weak_ptr<const void> alive = alive_;
  try {
    handler();
  } catch (const WindowDestroyed&) {
    return false;
  } catch (const std::exception& error) {
    // A handler may also close the window without a dialog, as closing the
    // band does; its error then has no window left to show it.
    if (alive.expired()) return false;
    ShowException(error);
  }
  return !alive.expired();
}

void TToolbarForm::ShowException(const std::exception& error) {
  // The box itself must not take the window down with it.
  try {
    ShowErrorBox(*platform_.ui, ToolbarConfig.ToolbarName, error.what());
  } catch (...) {
  }
}

void TToolbarForm::FormCreate() {
  const bool lives = Guarded([&] {
    BuildToolbar();
    view_.SetCaption(ToolbarConfig.ToolbarName);
    StartBanner();
    LoadHistory();
    RestoreSpeedButtons();
    StatusCaption.clear();
  });
  if (lives) DisableUnreadyCommands();
}

void TToolbarForm::StartBanner() {
  const ToolbarConfigRecord& config = ToolbarConfig;
  BannerSituation situation;
  situation.flash_configured = !config.FlashUrl.empty();
  situation.flash_player = situation.flash_configured && IsFlashInstalled(platform_);
  situation.online = situation.flash_player && platform_.internet->AttemptConnect() == 0;
  const std::string animation = BannerAnimationPath(config.InstallPath, config.BannerAnimation);
  situation.animation_configured = !animation.empty() && Files().Exists(animation);
  switch (ChooseBanner(situation)) {
    case BannerKind::Flash:
      StartFlashBanner(situation.online);
      break;
    case BannerKind::Animation:
      // A file the view cannot play leaves the still picture.
      (void)view_.LoadBannerAnimation(animation);
      break;
    case BannerKind::Still:
      break;
  }
}

void TToolbarForm::StartFlashBanner(bool online) {
  const ToolbarConfigRecord& config = ToolbarConfig;
  flash_banner_ = view_.CreateFlashPlayer();
  flash_banner_->OnReadyStateChange = [this](FlashPlayer& sender, int32_t state) {
    FlashReadyStateChange(sender, state);
  };
  flash_banner_->Stop();
  flash_banner_->SetBounds(0, 0, kBannerWidth, kBannerHeight);
  flash_banner_->SetTabOrder(0);
  flash_banner_->SetVisible(false);
  // Offline the movie is not even asked for: the picture stays.
  if (online) flash_banner_->SetMovie(config.FlashUrl);
}

void TToolbarForm::FlashReadyStateChange(FlashPlayer& sender, int32_t new_state) {
  Guarded([&] {
    if (&sender != flash_banner_.get() || new_state != kFlashReadyStateComplete) return;
    view_.SetBannerPictureVisible(false);
    flash_banner_->SetVisible(true);
    flash_banner_->Play();
  });
}

void TToolbarForm::RestoreSpeedButtons() {
  const ToolbarConfigRecord& config = ToolbarConfig;
  for (int n = 1; n <= config.DefaultSpeedCount; ++n) {
    const std::string name = kSpeedButtonPrefix + std::to_string(n);
    const std::string address = ReadToolbarSetting(platform_, name);
    if (!address.empty()) RestoreSpeedButton(name, address);
  }
}

void TToolbarForm::DisableUnreadyCommands() {
  // Without the history the commands that work on its file have nothing to
  // work on; saving and loading the box's own list still make sense.
  if (history_) return;
  std::vector<TTBItem*> commands{miEditHistory, miRefreshSearches, miRemoveSelected,
                                 miClearSearches};
  // Where a policy forbids history, lists of searches are not kept in files either.
  if (!permissions_.use_history)
    commands.insert(commands.end(), {miSaveSearches, miLoadSearches});
  for (TTBItem* command : commands) {
    command->Enabled = false;
    view_.ItemChanged(*command);
  }
}

void TToolbarForm::FormShow() {
  Guarded([&] {
    const TDateTime today = platform_.clock->Today();
    TDateTime stored;
    if (const auto date = StrToDate(ReadToolbarSetting(platform_, kDateValue))) {
      stored = *date;
    } else {
      stored = today - 1;
      WriteSetting(kDateValue, DateToStr(stored));
    }
    if (today > stored || today + 1 < stored) WriteSetting(kDateValue, DateToStr(today));
  });
}

void TToolbarForm::FormDestroy() {
  const bool lives = Guarded([&] {
    view_.StopSuggestionTimer();
    SaveSearchState();
    flash_banner_.reset();
  });
  if (lives) alive_.reset();
}

bool TToolbarForm::FormCanResize(int32_t& new_width, int32_t&) {
  bool allowed = true;
  Guarded([&] {
    if (!HostBrowser) return;
    const int32_t width = HostBrowser->Width() - kBrowserMargin;
    if (width == view_.Width() || width <= kLeastWidth) {
      allowed = false;
      return;
    }
    new_width = width;
  });
  return allowed;
}

void TToolbarForm::ToolbarMouseMove(uint32_t, int32_t x, int32_t y) {
  Guarded([&] {
    if (!HostBrowser) return;
    const TTBCustomItem* item = view_.ItemAt(x, y);
    // The status bar is written only when the caption changes.
    if (item && item->Caption == StatusCaption) return;
    StatusCaption = item ? item->Caption : std::string();
    HostBrowser->SetStatusText(StatusCaption);
  });
}

void TToolbarForm::Click(TComponent& sender) {
  Guarded([&] {
    if (auto* image = dynamic_cast<TImage*>(&sender)) {
      Dispatch(image->OnClick, sender);
      return;
    }
    auto* item = dynamic_cast<TTBCustomItem*>(&sender);
    if (!item || !item->Enabled) return;
    if (item->AutoCheck) {
      item->SetChecked(!item->Checked());
      // Checking one clears the others of its group: they all look anew.
      const TTBCustomItem* parent = item->Parent();
      if (parent && item->GroupIndex != 0) {
        for (const TTBCustomItem* sibling : parent->Items())
          if (sibling->GroupIndex == item->GroupIndex) view_.ItemChanged(*sibling);
      } else {
        view_.ItemChanged(*item);
      }
    }
    Dispatch(item->OnClick, sender);
  });
}

void TToolbarForm::Dispatch(TClickHandler handler, TComponent& sender) {
  using Method = void (TToolbarForm::*)(TComponent&);
  static constexpr std::pair<TClickHandler, Method> kHandlers[] = {
      {TClickHandler::MIClick, &TToolbarForm::MIClick},
      {TClickHandler::MISearchClick, &TToolbarForm::MISearchClick},
      {TClickHandler::SpeedBtnClick, &TToolbarForm::SpeedBtnClick},
      {TClickHandler::miResetClick, &TToolbarForm::miResetClick},
      {TClickHandler::MIDirectURLClick, &TToolbarForm::MIDirectURLClick},
      {TClickHandler::eMailClick, &TToolbarForm::eMailClick},
      {TClickHandler::AboutClick, &TToolbarForm::AboutClick},
      {TClickHandler::miCloseClick, &TToolbarForm::miCloseClick},
      {TClickHandler::miCutClick, &TToolbarForm::miCutClick},
      {TClickHandler::miCopyClick, &TToolbarForm::miCopyClick},
      {TClickHandler::miPasteClick, &TToolbarForm::miPasteClick},
      {TClickHandler::miDeleteClick, &TToolbarForm::miDeleteClick},
      {TClickHandler::miSelectAllClick, &TToolbarForm::miSelectAllClick},
      {TClickHandler::miSaveSearchesClick, &TToolbarForm::miSaveSearchesClick},
      {TClickHandler::miLoadSearchesClick, &TToolbarForm::miLoadSearchesClick},
      {TClickHandler::miEditHistoryClick, &TToolbarForm::miEditHistoryClick},
      {TClickHandler::miRefreshSearchesClick, &TToolbarForm::miRefreshSearchesClick},
      {TClickHandler::miRemoveSelectedClick, &TToolbarForm::miRemoveSelectedClick},
      {TClickHandler::miClearSearchesClick, &TToolbarForm::miClearSearchesClick},
      {TClickHandler::ImageClick, &TToolbarForm::ImageClick},
  };
  for (const auto& [id, method] : kHandlers)
    if (id == handler) return (this->*method)(sender);
}

void TToolbarForm::WriteSetting(const std::string& name, const std::string& value) {
  WriteToolbarSetting(platform_, name, value);
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

void TToolbarForm::CreateMenu(TTBPopupMenu*& menu, const std::string& name,
                              std::span<const MenuEntry> entries) {
  menu = &CreateNamed<TTBPopupMenu>(name);
  for (const MenuEntry& entry : entries) {
    TTBCustomItem* item;
    if (entry.caption) {
      TTBItem& plain = CreateNamed<TTBItem>(entry.name);
      if (entry.slot) *entry.slot = &plain;
      plain.Caption = entry.caption;
      item = &plain;
    } else {
      item = &CreateNamed<TTBSeparatorItem>(entry.name);
    }
    item->ImageIndex = entry.image;
    item->OnClick = entry.handler;
    item->Visible = entry.visible;
    item->ShortCut = entry.shortcut;
    item->Hint = entry.hint;
    menu->Items.Add(*item);
  }
}

}  // namespace pq
