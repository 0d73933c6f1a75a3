// Construction of the toolbar's items from the item sections of the
// configuration file.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unordered_set>

#include "config/big_ini_file.h"
#include "config/registry_store.h"
#include "config/toolbar_config.h"
#include "platform/code_pages.h"
#include "platform/file_system.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

constexpr char kItemsSection[] = "Toolbar Items";
constexpr char kSearchKey[] = "miSearch";
constexpr char kTopLevel[] = "Toolbar";

// The search type as stored: decimal text of a 32-bit integer, else 1.
int32_t SearchTypeFrom(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(begin, &end, 10);
  const bool valid = !text.empty() && end == begin + text.size() && errno != ERANGE &&
                     number >= INT32_MIN && number <= INT32_MAX &&
                     (text[0] == '-' || text[0] == '+' || (text[0] >= '0' && text[0] <= '9'));
  return valid ? static_cast<int32_t>(number) : 1;
}

// Whether the entry would nest deeper than kMaxItemDepth, or hangs below an
// entry that would; the Parent is looked for as placing the item looks for
// it. The names of what is left out are kept in lower case, as names compare.
bool NestsTooDeep(const TToolbarForm& form, TBigIniFile& ini, std::string_view key,
                  std::unordered_set<std::string>& left_out) {
  const std::string parent = ini.ReadString(key, "Parent", "");
  if (parent == kTopLevel) return false;
  bool too_deep;
  if (const TComponent* found = form.FindComponent(parent)) {
    const auto* holder = dynamic_cast<const TTBCustomItem*>(found);
    too_deep = holder && holder->Level() >= kMaxItemDepth;
  } else {
    too_deep = !parent.empty() && left_out.count(LowerCase(parent)) != 0;
  }
  if (too_deep) {
    const std::string name = ini.ReadString(key, "Name", key);
    if (!name.empty()) left_out.insert(LowerCase(name));
  }
  return too_deep;
}

}  // namespace

void TToolbarForm::BuildToolbar() {
  const ToolbarConfigRecord& config = ToolbarConfig;
  // The network never holds the window longer than the budget: a later
  // update serves the windows built after it.
  if (permissions_.fetch_updates) (void)RefreshConfigFile(platform_, kUpdateBudgetMs);

  const std::string banner = BannerFilePath();
  // A picture that cannot be read leaves the built-in one; the items matter more.
  if (Files().Exists(banner)) (void)view_.LoadBannerPicture(banner);

  {
    TBigIniFile ini(ConfigFileInForce());
    TStringList keys;
    ini.ReadSection(kItemsSection, keys);
    Reserve(static_cast<size_t>(keys.Count()) + 1);
    // A file may nest thousands of submenus; what lies below the limit is not
    // built at all, so that no part of the toolbar walks that deep.
    std::unordered_set<std::string> left_out;
    for (int i = 0; i < keys.Count(); ++i) {
      if (NestsTooDeep(*this, ini, keys[i], left_out)) {
        LeftOutEntries.push_back(i);
        continue;
      }
      BuildItem(ini, keys[i]);
    }
  }

  if (!SearchItem) {
    TTBItem& search = CreateNamed<TTBItem>(kSearchKey);
    search.Caption = "Search";
    search.ImageIndex = kIconMagnifier;
    search.DisplayMode = nbdmImageAndText;
    Toolbar->Items.Add(search);
    SearchItem = &search;
  }
  SearchItem->OnClick = TClickHandler::MISearchClick;
  SearchItem->Hint.clear();
  SearchItem->Tag = 0;
  current_search_url_ = config.SearchUrl;
  current_search_encoding_.clear();
  current_suggest_url_ = config.SuggestUrl;
  current_suggest_code_page_ = kCodePageUtf8;

  restored_search_type_.stored = ReadToolbarSetting(platform_, kSearchTypeValue);
  RestoreSearchType();
  restored_search_type_.shown = std::to_string(SearchItem->Tag);
  // The last search is history too: where a policy forbids history, a text
  // saved before it came is not shown.
  restored_search_text_.stored = ReadToolbarSetting(platform_, kSearchTextValue);
  if (permissions_.use_history) view_.SetSearchText(restored_search_text_.stored);
  restored_search_text_.shown = view_.SearchText();
  search_state_restored_ = true;
}

void TToolbarForm::BuildItem(TBigIniFile& ini, std::string_view key) {
  TTBCustomItem* item;
  if (key.find("Separator") != std::string_view::npos) {
    item = &CreateComponent<TTBSeparatorItem>();
  } else if (key.find("SubMenu") != std::string_view::npos) {
    TTBSubmenuItem& submenu = CreateComponent<TTBSubmenuItem>();
    submenu.Options.Include(tboDropdownArrow);
    submenu.DropdownCombo = !ini.ReadString(key, "URL", "").empty();
    item = &submenu;
  } else if (key == kSearchKey) {
    const int32_t count = ini.ReadInteger(kSearchKey, "Count", 0);
    if (count != 0) {
      TTBSubmenuItem& submenu = CreateComponent<TTBSubmenuItem>();
      if (count > 0) {
        submenu.Options.Include(tboDropdownArrow);
        submenu.DropdownCombo = true;
      }
      item = &submenu;
    } else {
      item = &CreateComponent<TTBItem>();
    }
    SearchItem = item;
  } else {
    item = &CreateComponent<TTBItem>();
  }

  if (item->Kind() == TTBItemKind::Separator) {
    item->SetName(ini.ReadString(key, "Name", key));
  } else {
    item->Caption = ini.ReadString(key, "Caption", "");
    item->ImageIndex = ini.ReadInteger(key, "ImageIndex", -1);
    item->DisplayMode = nbdmImageAndText;
    item->SetName(ini.ReadString(key, "Name", key));
    item->Hint = ini.ReadString(key, "URL", "");
    item->Encoding = ini.ReadString(key, "Encoding", "");
    item->SuggestUrl = ini.ReadString(key, "Suggest URL", "");
    item->Tag = ini.ReadInteger(key, "Tag", 0);
    item->GroupIndex = ini.ReadInteger(key, "GroupIndex", 0);
    // A search type without an address cannot be chosen: its click takes no
    // check mark from the one in force either.
    item->AutoCheck = item->GroupIndex > 0 &&
                      !(item->Hint.empty() && ini.ReadString(key, "Parent", "") == kSearchKey);
    if (key != kSearchKey && !item->Hint.empty()) item->OnClick = TClickHandler::MIClick;
  }

  const std::string parent = ini.ReadString(key, "Parent", "");
  if (parent == kTopLevel) {
    Toolbar->Items.Add(*item);
    return;
  }
  // Anything else that is not an item leaves the item unplaced, and so does
  // the item itself: an item cannot hold itself.
  auto* holder = dynamic_cast<TTBCustomItem*>(FindComponent(parent));
  if (holder && holder != item) holder->Add(*item);
}

void TToolbarForm::RestoreSearchType() {
  const int32_t search_type = SearchTypeFrom(restored_search_type_.stored);
  if (search_type < 1 || search_type > MaxSearchType) return;
  for (const auto& component : components_) {
    auto* item = dynamic_cast<TTBCustomItem*>(component.get());
    if (!item || item->Kind() != TTBItemKind::Plain || item->Tag != search_type) continue;
    // Only a type in a group loses its check mark when another is chosen.
    if (item->GroupIndex > 0) item->SetChecked(true);
    TakeSearchType(*item);
    return;
  }
}

}  // namespace pq
