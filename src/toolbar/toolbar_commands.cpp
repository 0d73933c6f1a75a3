// What the configured items and the main popup menu's commands do: open
// addresses, choose search types, search, and keep the speed buttons.
#include "config/registry_store.h"
#include "config/toolbar_config.h"
#include "nav/about_box.h"
#include "nav/navigation.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

constexpr int32_t kSpeedButtonTagBase = 110;
// A speed button with an address of the user's shows image 10 + n.
constexpr int32_t kSpeedButtonImageOffset = 100;

constexpr char kSpeedButtonCaption[] = "SpeedButton URL";
constexpr char kSpeedButtonPrompt[] = "Enter this Speedbutton's new URL";
constexpr char kResetQuestion[] =
    "Are you sure you want to reset Speed Buttons to their default values?";

// Shows the item anew when the scope ends, however it ends: a failing
// registry write leaves changes behind that the view must show.
struct ShowAnew {
  ToolbarView& view;
  const TTBCustomItem& item;
  ~ShowAnew() {
    try {
      view.ItemChanged(item);
    } catch (...) {
    }
  }
};

}  // namespace

void TToolbarForm::MIClick(TComponent& sender) {
  auto* item = dynamic_cast<TTBCustomItem*>(&sender);
  if (!item) return;
  if (SearchItem && item->Parent() == SearchItem && item->Tag > 0) {
    SelectSearchType(*item);
    return;
  }
  if (FindSearchPlaceholder(item->Hint) != std::string::npos) {
    RunSearch(item->Hint, view_.SearchText(), item->Encoding);
    return;
  }
  const size_t bar = item->Hint.find('|');
  const std::string address = bar == std::string::npos ? item->Hint : item->Hint.substr(bar + 1);
  NavigateTo(platform_, HostBrowser, SeparateBrowser, address);
}

void TToolbarForm::MIDirectURLClick(TComponent& sender) {
  auto* item = dynamic_cast<TTBCustomItem*>(&sender);
  if (!item) return;
  const std::string address =
      item->Hint.empty() ? ToolbarConfig.HomePageUrl : "http://" + item->Hint;
  NavigateTo(platform_, HostBrowser, SeparateBrowser, address);
}

void TToolbarForm::eMailClick(TComponent& sender) {
  if (!dynamic_cast<TTBCustomItem*>(&sender)) return;
  NavigateTo(platform_, HostBrowser, SeparateBrowser, ToolbarConfig.ContactEmail);
}

void TToolbarForm::AboutClick(TComponent&) { ShowAboutBox(platform_, false); }

void TToolbarForm::ImageClick(TComponent&) {
  NavigateTo(platform_, HostBrowser, SeparateBrowser, ToolbarConfig.HomePageUrl);
}

void TToolbarForm::miCloseClick(TComponent&) { HideBand(); }

void TToolbarForm::HideBand() {
  if (!HostBrowser) {
    // Nothing could close the band: the command says so by going grey.
    miClose->Enabled = false;
    view_.ItemChanged(*miClose);
    return;
  }
  // Closing the band frees the window, and the window's reference with it.
  const HostBrowserRef browser = HostBrowser;
  browser->ShowBrowserBar(ToolbarConfig.BandClassId, false, 0);
}

// --- speed buttons

TTBCustomItem* TToolbarForm::SpeedButton(const std::string& name, bool check_tag) {
  auto* item = dynamic_cast<TTBCustomItem*>(FindComponent(name));
  if (!item || item->Kind() != TTBItemKind::Plain) return nullptr;
  if (check_tag && (item->Tag <= kSpeedButtonTagBase ||
                    item->Tag > kSpeedButtonTagBase + ToolbarConfig.DefaultSpeedCount))
    return nullptr;
  // What the reset goes back to: the address and image it was built with.
  bool known = false;
  for (const ConfiguredSpeedButton& configured : configured_speed_buttons_)
    known = known || SameText(configured.name, name);
  if (!known) configured_speed_buttons_.push_back({name, item->Hint, item->ImageIndex});
  return item;
}

void TToolbarForm::SpeedBtnClick(TComponent& sender) {
  // Each menu entry edits the speed button of its own number.
  for (int n = 1; n <= 5; ++n)
    if (&sender == miSpeedBtn[n - 1]) EditSpeedButton(kSpeedButtonPrefix + std::to_string(n));
}

void TToolbarForm::EditSpeedButton(const std::string& name) {
  TTBCustomItem* item = SpeedButton(name, true);
  if (!item) return;
  const std::string address =
      platform_.ui->InputBox(kSpeedButtonCaption, kSpeedButtonPrompt, item->Hint);
  if (address != item->Hint) SetSpeedButtonAddress(*item, address, true);
}

void TToolbarForm::RestoreSpeedButton(const std::string& name, const std::string& address) {
  // The address stays where it was read from: written back, a machine's
  // address would land in the user's key of a user without the rights to
  // the machine's, and hide the machine's later ones; a user's own would be
  // moved to the machine's key, for every user.
  if (TTBCustomItem* item = SpeedButton(name, true)) SetSpeedButtonAddress(*item, address, false);
}

void TToolbarForm::SetSpeedButtonAddress(TTBCustomItem& item, const std::string& address,
                                         bool store) {
  ShowAnew show{view_, item};
  item.ImageIndex = item.Tag - kSpeedButtonImageOffset;
  item.Hint = address;
  // A button configured without an address opens the user's.
  if (!item.Hint.empty()) item.OnClick = TClickHandler::MIClick;
  if (store) WriteSetting(item.Name(), item.Hint);
  item.Options.Include(tboShowHint);
}

void TToolbarForm::miResetClick(TComponent&) {
  if (platform_.ui->ShowMessageBox(kResetQuestion, kConfirmCaption, kMbYesNo | kMbIconQuestion) !=
      kIdYes)
    return;
  const ToolbarConfigRecord& config = ToolbarConfig;
  for (int n = 1; n <= config.DefaultSpeedCount; ++n) {
    const std::string name = kSpeedButtonPrefix + std::to_string(n);
    TTBCustomItem* item = SpeedButton(name, false);
    if (!item) continue;
    ShowAnew show{view_, *item};
    // Back to what the configuration says, as the next window will show it.
    for (const ConfiguredSpeedButton& configured : configured_speed_buttons_) {
      if (!SameText(configured.name, name)) continue;
      item->Hint = configured.url;
      item->ImageIndex = configured.image;
    }
    if (item->Hint.empty()) item->OnClick = TClickHandler::None;
    item->Options.Exclude(tboShowHint);
    WriteSetting(item->Name(), "");
  }
}

}  // namespace pq
