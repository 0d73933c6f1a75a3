#pragma once
// The toolbar window: every component it owns, in creation order, found by
// name without regard to case; the state its commands share.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "config/string_list.h"
#include "platform/desktop.h"
#include "platform/flash_player.h"
#include "platform/host_browser.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "toolbar/completion.h"
#include "toolbar/search_history.h"
#include "toolbar/toolbar_items.h"
#include "toolbar/toolbar_view.h"
#include "toolbar/window_permissions.h"

namespace pq {

class TBigIniFile;

// Tags 1 to MaxSearchType mark search types.
inline constexpr int32_t MaxSearchType = 30;

// The window's state under the band's registry key: the search type and text
// of the last window, and each speed button's address under its name.
inline constexpr char kSearchTypeValue[] = "Search Type";
inline constexpr char kSearchTextValue[] = "Search";
inline constexpr char kSpeedButtonPrefix[] = "SpeedBtn";
// The caption of the window's questions.
inline constexpr char kConfirmCaption[] = "Confirm";

// The icon strip's slots that the window's own items show, as
// assets/icon_slots.txt describes them. Publishers' files name slots by number.
inline constexpr int32_t kNoIcon = -1, kIconHome = 1, kIconPageRefresh = 7, kIconMagnifier = 8;
// The numbers from 1 on a coloured square.
inline constexpr int32_t kIconNumber1 = 13, kIconNumber2 = 14, kIconNumber3 = 15, kIconNumber4 = 16,
                         kIconNumber5 = 17;
inline constexpr int32_t kIconCut = 33, kIconCopy = 34, kIconPaste = 35, kIconCross = 37;
inline constexpr int32_t kIconUndo = 38, kIconSave = 41, kIconOpen = 43, kIconTextPage = 44;
inline constexpr int32_t kIconEditPage = 45, kIconMail = 53, kIconEraser = 118, kIconBin = 121;

// Raised out of a modal call (a dialog, a popup menu) when the toolbar window
// was destroyed while it was open: a modal loop runs the browser's messages,
// and the browser may close the band meanwhile. Not an error: the handler that
// made the call ends there, and nothing touches the window again.
struct WindowDestroyed {};

// Where an address template takes the query: the first "[SEARCH]", its
// letters in any case; npos when there is none.
size_t FindSearchPlaceholder(const std::string& url_template);
// The code page a search's query part goes in for an item's "Encoding":
// UTF-8 for no name, a name the system does not know, and the encodings no
// address can carry (UTF-16, UTF-32, UTF-7).
unsigned SearchCodePage(const std::string& encoding);
// The address of a template with the query in its placeholder (or at its
// end), encoded as a search sends it: in the query part in `code_page`.
std::string SearchAddress(const std::string& url_template, const std::string& query,
                          unsigned code_page);

class TToolbarForm {
 public:
  // Creates the window's fixed components. The view shows the window; both
  // it and the platform outlive the window.
  TToolbarForm(Platform& platform, ToolbarView& view);
  ~TToolbarForm();
  TToolbarForm(const TToolbarForm&) = delete;
  TToolbarForm& operator=(const TToolbarForm&) = delete;

  // --- Events, as the view reports them. An error inside one is shown in the
  // error box and the window stays usable. An event may destroy the window:
  // the view touches nothing of it after one.

  // The start-up steps: construction, caption, the animated banner, the
  // search history, the speed buttons. An error ends the remaining steps, not
  // the window.
  void FormCreate();
  // Keeps the registry's "Date" current.
  void FormShow();
  // Saves the search type and the search text. Handlers still waiting on a
  // modal call of the window end once it returns.
  void FormDestroy();
  // Whether the window may take a new size; may change the width.
  bool FormCanResize(int32_t& new_width, int32_t& new_height);
  // Shows the caption of the item under the mouse in the browser's status bar.
  void ToolbarMouseMove(uint32_t shift, int32_t x, int32_t y);
  // A click on an item, a menu entry or the banner picture. An item that
  // checks automatically toggles its check mark first.
  void Click(TComponent& sender);
  // A character typed into the search box; Enter searches and is consumed (0).
  void SearchBoxKeyPress(char& key);
  // The user changed the search box's text by typing, pasting or deleting:
  // the list shows the completions of the new text.
  void SearchTextChanged();
  // A key that moves through the open completion list; true when the list
  // took it. Escape closes the list and brings back the typed text.
  enum class SearchKey { Up, Down, Escape };
  bool SearchBoxNavigate(SearchKey key);
  // The user opens the search box's list himself: it shows the whole history.
  void SearchListDropping();
  // The list closed (a choice made with the mouse, a click elsewhere).
  void SearchListClosed();
  // The focus left the search box for a window that is not the box's:
  // typing has ended, and an answer that comes later opens no list.
  void SearchBoxExit();
  // The pause in typing has passed: suggestions for the text in the box.
  void SuggestionTimer();
  // A reply to a suggestion request waits in the window's mailbox.
  void SuggestionsArrived();
  void FlashReadyStateChange(FlashPlayer& sender, int32_t new_state);

  // --- What the events do. These raise their errors to the caller.

  // Builds the configured items after refreshing the configuration file
  // (waiting for the refresh no longer than kUpdateBudgetMs),
  // makes sure the search button exists, and restores the search type and
  // the search text of the last window. An item whose name is not an
  // identifier or is taken already stops construction with an Error; the
  // items built before it stay.
  void BuildToolbar();
  // The entries of "Toolbar Items" that construction left out, by their place
  // in the list: each would nest deeper than kMaxItemDepth, or names one so
  // left out as its Parent.
  std::vector<int> LeftOutEntries;

  void MIClick(TComponent& sender);
  void MISearchClick(TComponent& sender);
  void MIDirectURLClick(TComponent& sender);
  void eMailClick(TComponent& sender);
  void AboutClick(TComponent& sender);
  void SpeedBtnClick(TComponent& sender);
  void miResetClick(TComponent& sender);
  void miCloseClick(TComponent& sender);
  void ImageClick(TComponent& sender);
  void miCutClick(TComponent& sender);
  void miCopyClick(TComponent& sender);
  void miPasteClick(TComponent& sender);
  void miDeleteClick(TComponent& sender);
  void miSelectAllClick(TComponent& sender);
  void miSaveSearchesClick(TComponent& sender);
  void miLoadSearchesClick(TComponent& sender);
  void miEditHistoryClick(TComponent& sender);
  void miRefreshSearchesClick(TComponent& sender);
  void miRemoveSelectedClick(TComponent& sender);
  void miClearSearchesClick(TComponent& sender);

  // Puts the query into the template and opens the address, after adding the
  // search box's text to the history. `encoding` names the charset the
  // template's engine expects in the query part; empty, unknown to the
  // system, or with no template given (the configured one), UTF-8.
  void RunSearch(const std::string& template_url, const std::string& query,
                 const std::string& encoding = "");
  // Merges the history file into the search box's list and adds the search
  // box's text to both when it is new.
  void AddToHistory();
  void LoadHistory();

  // Runs a modal call made for the window (a dialog, a popup menu of the
  // view) and returns its result; raises WindowDestroyed when the window was
  // destroyed before the call returned. Every modal call of the window goes
  // through here: the dialogs of the platform's user interface as the window
  // uses it, and the view's menus.
  template <typename Call>
  auto Modal(Call&& call) -> decltype(call()) {
    // Once the call returns, only what is on the stack may be looked at.
    const std::weak_ptr<const void> alive = alive_;
    if constexpr (std::is_void_v<decltype(call())>) {
      call();
      if (alive.expired()) throw WindowDestroyed();
    } else {
      auto result = call();
      if (alive.expired()) throw WindowDestroyed();
      return result;
    }
  }

  // --- Components

  // Creates a component owned by the window, unnamed, after all others.
  template <typename T, typename... Args>
  T& CreateComponent(Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& created = *component;
    components_.push_back(std::move(component));
    return created;
  }

  // The component with this name, compared without regard to case; none for
  // the empty name.
  TComponent* FindComponent(const std::string& name) const;
  // In creation order.
  size_t ComponentCount() const { return components_.size(); }
  TComponent& Component(size_t index) const { return *components_[index]; }

  // Keeps the name index in step with a component's name; raises Error when
  // another component has the new name already.
  void Rename(TComponent& component, const std::string& old_name, const std::string& new_name);
  // Makes room for this many more components.
  void Reserve(size_t more);

  // The fixed components that the window's behaviour refers to.
  TOtherComponent* Dock;
  TTBToolbar* Toolbar;
  TTBControlItem* TBControlItem1;
  TTBSeparatorItem* TBSeparatorItem1;
  TTBControlItem* TBControlItem2;
  TOtherComponent* FlashToolbar;
  TImage* Image;
  TOtherComponent* SearchBox;
  TTBPopupMenu* MainPopup;
  TTBItem* miSpeedBtn[5];  // miSpeedBtn1 to miSpeedBtn5
  TTBItem* miReset;
  TTBItem* miLatestVersion;
  TTBItem* miSupport;
  TTBItem* miWebsite;
  TTBItem* miAbout;
  TTBItem* miClose;
  TTBPopupMenu* SearchPopup;
  TTBItem* miCut;
  TTBItem* miCopy;
  TTBItem* miPaste;
  TTBItem* miDelete;
  TTBItem* miSelectAll;
  TTBItem* miSaveSearches;
  TTBItem* miLoadSearches;
  TTBItem* miEditHistory;
  TTBItem* miRefreshSearches;
  TTBItem* miRemoveSelected;
  TTBItem* miClearSearches;
  TFileDialog* OpenDialog1;
  TFileDialog* SaveDialog1;
  TOtherComponent* ImageList;

  // The search button, once construction made or found it.
  TTBCustomItem* SearchItem = nullptr;
  // The hosting browser, once the band hands it over.
  HostBrowserRef HostBrowser;

  // --- State the commands share, as far as others look at it

  // The address template of the selected search type.
  const std::string& CurrentSearchURL() const { return current_search_url_; }
  // The history file in force, and the entries last read from it merged with
  // the search box's list; none until the start-up steps reach the history.
  std::string HistoryFileName() const { return history_ ? history_->FileName() : std::string(); }
  const TStringList* HistoryList() const { return history_ ? &history_->Entries() : nullptr; }
  // The animated banner, when a player is installed and a movie configured.
  FlashPlayer* FlashBanner() const { return flash_banner_.get(); }
  // The search box's list as the view shows it: sorted without regard to
  // case, duplicates allowed.
  const TStringList& SearchList() const { return search_list_; }
  // What this window may keep and ask for, decided as it was made.
  const WindowPermissions& Permissions() const { return permissions_; }
  // Whether the list shows completions rather than the whole history, and
  // which they are.
  bool CompletionShown() const { return completion_.shown; }
  const TStringList& CompletionList() const { return completion_.entries; }

 private:
  class ModalDialogs;

  // Runs an event's handler; an error it raises is shown while the window
  // lives. False when the window was destroyed meanwhile: the caller returns
  // at once.
  bool Guarded(const std::function<void()>& handler);
  void ShowException(const std::exception& error);
  void Dispatch(TClickHandler handler, TComponent& sender);

  void BuildItem(TBigIniFile& ini, std::string_view key);
  void SelectSearchType(TTBCustomItem& item);
  void RestoreSearchType();
  // The search button takes the search type's caption, image and tag.
  void TakeSearchType(const TTBCustomItem& item);
  // The movie, the animation or the still picture, as ChooseBanner decides.
  void StartBanner();
  void StartFlashBanner(bool online);
  void RestoreSpeedButtons();
  void SaveSearchState();
  // Asks the user for a speed button's new address.
  void EditSpeedButton(const std::string& name);
  void RestoreSpeedButton(const std::string& name, const std::string& address);
  // Asks the hosting browser to close the toolbar.
  void HideBand();
  // Commands that need what the start-up steps did not reach are disabled.
  void DisableUnreadyCommands();
  // The plain item of a speed button with that name, when its tag is in range.
  TTBCustomItem* SpeedButton(const std::string& name, bool check_tag);
  // The speed button shows the user's address and the image of its number.
  // Shows the address on the button; `store` keeps it for the next windows.
  void SetSpeedButtonAddress(TTBCustomItem& item, const std::string& address, bool store);
  void WriteSetting(const std::string& name, const std::string& value);
  void SetSearchList(TStringList entries);
  // Shows the completion's entries, or ends it when there are none.
  void ShowCompletion();
  // The list shows the whole history again; closed first unless `close` is false.
  void HideCompletionList(bool close);
  // Ends the typing: the list shows the whole history, and no suggestion
  // comes any more.
  void EndCompletion(bool close = true);
  // Whether a suggestion may be asked for this text now.
  bool MaySuggest(const std::string& text) const;
  void StartSuggestionRequest();

  // Creates a component owned by the window, with that name, after all others.
  template <typename T, typename... Args>
  T& CreateNamed(const std::string& name, Args&&... args) {
    T& created = CreateComponent<T>(std::forward<Args>(args)...);
    created.SetName(name);
    return created;
  }
  // An entry of a fixed menu; one without a caption is a separator.
  struct MenuEntry {
    TTBItem** slot = nullptr;  // the member that refers to the entry
    const char* name;
    const char* caption = nullptr;
    int32_t image = kNoIcon;
    TClickHandler handler = TClickHandler::None;
    bool visible = true;
    const char* hint = "";
    uint16_t shortcut = 0;
  };
  void CreateMenu(TTBPopupMenu*& menu, const std::string& name, std::span<const MenuEntry> entries);

  // Expires when the window is destroyed; Modal and Guarded watch it.
  std::shared_ptr<const void> alive_ = std::make_shared<int>(0);
  // The platform as the window uses it: its dialogs go through Modal.
  Platform platform_;
  std::unique_ptr<UserInterface> dialogs_;
  ToolbarView& view_;
  std::vector<std::unique_ptr<TComponent>> components_;
  // Names compared as FindComponent compares them; unnamed components are
  // not in the index.
  struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept {
      return static_cast<size_t>(pq::FoldedHash(name));
    }
  };
  struct SameTextEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
      return SameText(a, b);
    }
  };
  std::unordered_map<std::string, TComponent*, FoldedHash, SameTextEqual> by_name_;

  std::string current_search_url_;
  std::string current_search_encoding_;
  // The selected search type's suggestion service, and the code page its
  // query goes in; empty: none.
  std::string current_suggest_url_;
  unsigned current_suggest_code_page_ = 65001;
  WindowPermissions permissions_;
  struct Completion {
    bool active = false;  // the user is typing: suggestions may come
    bool shown = false;   // the list shows completions
    std::string typed;  // the text as the user typed it
    TStringList matches;
    std::vector<std::string> suggestions;
    TStringList entries;  // as the list shows them
    int chosen = -1;
  } completion_;
  // Suggestion requests: one at a time; the newest number, whether one is
  // under way, and whether the text changed meanwhile.
  std::shared_ptr<SuggestionMailbox> mailbox_;
  uint64_t suggestion_request_ = 0;
  bool suggestion_running_ = false;
  bool suggestion_wanted_ = false;
  std::unique_ptr<SearchHistory> history_;
  TStringList search_list_;
  // The caption last written to the browser's status bar.
  std::string StatusCaption;
  // The browser started when there is no hosting browser.
  pq::SeparateBrowser SeparateBrowser;
  std::unique_ptr<FlashPlayer> flash_banner_;
  // Construction reached its end: the search type and text were restored, so
  // they may be saved.
  bool search_state_restored_ = false;
  // A setting as this window found it and showed it. The window saves its
  // own value unless another window saved one meanwhile and this window
  // changed nothing: one closed later does not undo a choice made elsewhere.
  struct RestoredSetting {
    std::string stored, shown;
    bool Saves(Platform& platform, const char* name, const std::string& now) const;
  };
  RestoredSetting restored_search_type_, restored_search_text_;
  // The speed buttons' configured address and image, for the reset.
  struct ConfiguredSpeedButton {
    std::string name, url;
    int32_t image;
  };
  std::vector<ConfiguredSpeedButton> configured_speed_buttons_;
};

// Whether a movie player is installed below the Windows directory.
bool IsFlashInstalled(Platform& platform);

}  // namespace pq
