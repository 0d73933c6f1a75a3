#pragma once
// The toolbar window: every component it owns, in creation order, found by
// name without regard to case; the state its commands share.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/desktop.h"
#include "platform/host_browser.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "toolbar/toolbar_items.h"
#include "toolbar/toolbar_view.h"

namespace pq {

class TBigIniFile;

// Tags 1 to MaxSearchType mark search types.
inline constexpr int32_t MaxSearchType = 30;

class TToolbarForm {
 public:
  // Creates the window's fixed components. The view shows the window; both
  // it and the platform outlive the window.
  TToolbarForm(Platform& platform, ToolbarView& view);
  TToolbarForm(const TToolbarForm&) = delete;
  TToolbarForm& operator=(const TToolbarForm&) = delete;

  // Builds the configured items after refreshing the configuration file,
  // makes sure the search button exists, and restores the search type and
  // the search text of the last window. An item whose name is not an
  // identifier or is taken already stops construction with an Error; the
  // items built before it stay.
  void BuildToolbar();

  // Creates a component owned by the window, unnamed, after all others.
  template <typename T>
  T& CreateComponent() {
    auto component = std::make_unique<T>(this);
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
  TOtherComponent* OpenDialog1;
  TOtherComponent* SaveDialog1;
  TOtherComponent* ImageList;

  // The search button.
  TTBCustomItem* SearchItem = nullptr;
  // The address template of the selected search type.
  std::string CurrentSearchURL;
  // Navigation: the hosting browser once the band hands it over, and the
  // browser started when there is none.
  HostBrowserRef HostBrowser;
  pq::SeparateBrowser SeparateBrowser;

 private:
  void BuildItem(TBigIniFile& ini, std::string_view key);
  void RestoreSearchType(const std::string& band_key);
  TOtherComponent& CreateOther(const std::string& class_name, const std::string& name);
  TTBItem& AddMenuItem(TTBPopupMenu& menu, const std::string& name, const std::string& caption,
                       int32_t image, TClickHandler handler);
  TTBSeparatorItem& AddMenuSeparator(TTBPopupMenu& menu, const std::string& name);

  Platform& platform_;
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
};

}  // namespace pq
