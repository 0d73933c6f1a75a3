// Construction of the toolbar from the item sections of the configuration
// file, against a real file in a scratch directory and fakes of the rest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_toolbar_view.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kBandKey = std::string(kExplorerBarsKey) + "\\" + kBandClassId;
const std::string kSearchUrl = "http://find.example.org/?q=[SEARCH]";

class BuildToolbarTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  BuildToolbarTest() {
    fs::create_directories(root_.path() / "install");
    // File names are composed with "\", an ordinary character here: the
    // files stand beside the install directory.
    ToolbarConfig.InstallPath = (root_.path() / "install").string();
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.BandKeyPath = kBandKey;
    ToolbarConfig.SearchUrl = kSearchUrl;
    ToolbarConfig.CompanyName = "Pendleworth, Inc.";
  }
  ~BuildToolbarTest() override { ClearToolbarConfig(); }

  void WriteConfig(const std::string& items) {
    std::ofstream(ConfigFilePath(), std::ios::binary) << "[Options]\r\nToolbar Name=My Bar\r\n"
                                                      << items;
  }
  void StoreText(const std::string& name, const std::string& text) {
    registry.PutText(RegRoot::LocalMachine, kBandKey, name, text);
  }

  TToolbarForm& Build() {
    form = std::make_unique<TToolbarForm>(platform, view);
    form->BuildToolbar();
    return *form;
  }
  // Builds and returns the error's text; empty when construction succeeded.
  std::string BuildFailing() {
    form = std::make_unique<TToolbarForm>(platform, view);
    try {
      form->BuildToolbar();
    } catch (const Error& error) {
      return error.what();
    }
    return "";
  }

  TTBCustomItem* Item(const std::string& name) {
    return dynamic_cast<TTBCustomItem*>(form->FindComponent(name));
  }
  // The toolbar's items after the banner, the separator and the search box.
  std::vector<std::string> TopLevel() {
    std::vector<std::string> names;
    const auto& items = form->Toolbar->Items.Items();
    for (size_t i = 3; i < items.size(); ++i) names.push_back(items[i]->Name());
    return names;
  }
  static std::vector<std::string> Children(const TTBCustomItem* item) {
    std::vector<std::string> names;
    for (const TTBCustomItem* child : item->Items()) names.push_back(child->Name());
    return names;
  }

  fakes::ScratchDir root_{"pq-build"};
  fakes::FakeToolbarView view;
  std::unique_ptr<TToolbarForm> form;
};

// ---------------------------------------------------------------------------
// Kinds

TEST_F(BuildToolbarTest, KindIsDecidedByTheKeyWithCaseSensitiveTests) {
  WriteConfig(
      "[Toolbar Items]\r\nSeparator1=\r\nSeparator2=x\r\nMySeparatorX=\r\n"
      "SeparatorSubMenu=\r\nmiSearchSubMenu=\r\nsubmenu1=\r\nNews=\r\n");
  Build();
  EXPECT_EQ(Item("Separator1")->Kind(), TTBItemKind::Separator);
  EXPECT_EQ(Item("Separator2")->Kind(), TTBItemKind::Separator);
  EXPECT_EQ(Item("MySeparatorX")->Kind(), TTBItemKind::Separator);
  EXPECT_EQ(Item("SeparatorSubMenu")->Kind(), TTBItemKind::Separator);
  EXPECT_EQ(Item("miSearchSubMenu")->Kind(), TTBItemKind::Submenu);
  EXPECT_EQ(Item("submenu1")->Kind(), TTBItemKind::Plain);
  EXPECT_EQ(Item("News")->Kind(), TTBItemKind::Plain);
  EXPECT_EQ(Item("miSearchSubMenu")->ClassName(), "TTBSubmenuItem");
  EXPECT_NE(form->SearchItem, Item("miSearchSubMenu"));
}

TEST_F(BuildToolbarTest, LowerCaseSeparatorKeyMakesAPlainItem) {
  WriteConfig("[Toolbar Items]\r\nseparator1=\r\n[separator1]\r\nCaption=Not a line\r\n");
  Build();
  ASSERT_NE(Item("separator1"), nullptr);
  EXPECT_EQ(Item("separator1")->Kind(), TTBItemKind::Plain);
  EXPECT_EQ(Item("separator1")->Caption, "Not a line");
}

TEST_F(BuildToolbarTest, SeparatorReadsOnlyItsNameAndParent) {
  WriteConfig(
      "[Toolbar Items]\r\nSeparator1=\r\n"
      "[Separator1]\r\nName=Line\r\nParent=Toolbar\r\nCaption=C\r\nImageIndex=3\r\n"
      "URL=http://example.com/\r\nTag=4\r\nGroupIndex=2\r\n");
  Build();
  TTBCustomItem* line = Item("Line");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->Kind(), TTBItemKind::Separator);
  EXPECT_EQ(line->Caption, "");
  EXPECT_EQ(line->ImageIndex, -1);
  EXPECT_EQ(line->Hint, "");
  EXPECT_EQ(line->Tag, 0);
  EXPECT_EQ(line->GroupIndex, 0);
  EXPECT_EQ(line->DisplayMode, nbdmDefault);
  EXPECT_EQ(line->OnClick, TClickHandler::None);
  EXPECT_THAT(TopLevel(), ElementsAre("Line", "miSearch"));
}

TEST_F(BuildToolbarTest, SubmenuWithAnAddressIsSplitAndOneWithoutOnlyOpens) {
  WriteConfig(
      "[Toolbar Items]\r\nNewsSubMenu=\r\nMoreSubMenu=\r\n"
      "[NewsSubMenu]\r\nURL=http://news.example.com/\r\nParent=Toolbar\r\n"
      "[MoreSubMenu]\r\nCaption=More\r\nParent=Toolbar\r\n");
  Build();
  auto* news = dynamic_cast<TTBSubmenuItem*>(Item("NewsSubMenu"));
  auto* more = dynamic_cast<TTBSubmenuItem*>(Item("MoreSubMenu"));
  ASSERT_TRUE(news && more);
  EXPECT_TRUE(news->Options.Contains(tboDropdownArrow));
  EXPECT_TRUE(news->DropdownCombo);
  EXPECT_EQ(news->OnClick, TClickHandler::MIClick);
  EXPECT_EQ(news->Hint, "http://news.example.com/");
  EXPECT_TRUE(more->Options.Contains(tboDropdownArrow));
  EXPECT_FALSE(more->DropdownCombo);
  EXPECT_EQ(more->OnClick, TClickHandler::None);
}

struct SearchButtonCase {
  std::string count;
  TTBItemKind kind;
  bool arrow;
  bool split;
};

class SearchButtonKind : public BuildToolbarTest,
                         public ::testing::WithParamInterface<SearchButtonCase> {};

TEST_P(SearchButtonKind, FollowsCount) {
  const SearchButtonCase& c = GetParam();
  WriteConfig("[Toolbar Items]\r\nmiSearch=\r\n[miSearch]\r\nParent=Toolbar\r\nCount=" + c.count +
              "\r\n");
  Build();
  ASSERT_EQ(form->SearchItem, Item("miSearch"));
  EXPECT_EQ(form->SearchItem->Kind(), c.kind);
  EXPECT_EQ(form->SearchItem->Options.Contains(tboDropdownArrow), c.arrow);
  auto* submenu = dynamic_cast<TTBSubmenuItem*>(form->SearchItem);
  EXPECT_EQ(submenu && submenu->DropdownCombo, c.split);
  EXPECT_THAT(TopLevel(), ElementsAre("miSearch"));
}

INSTANTIATE_TEST_SUITE_P(
    BuildToolbar, SearchButtonKind,
    ::testing::Values(SearchButtonCase{"0", TTBItemKind::Plain, false, false},
                      SearchButtonCase{"3", TTBItemKind::Submenu, true, true},
                      SearchButtonCase{"-1", TTBItemKind::Submenu, false, false},
                      SearchButtonCase{"many", TTBItemKind::Plain, false, false},
                      SearchButtonCase{"0x2", TTBItemKind::Submenu, true, true}));

TEST_F(BuildToolbarTest, SearchButtonKeepsItsLooksButNeitherAddressNorTag) {
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\n"
      "[miSearch]\r\nCaption=Find\r\nImageIndex=10\r\nURL=http://x.example/\r\nTag=7\r\n"
      "Parent=Toolbar\r\nCount=2\r\n");
  StoreText("Search Type", "0");
  Build();
  TTBCustomItem* search = form->SearchItem;
  ASSERT_EQ(search, Item("miSearch"));
  EXPECT_EQ(search->Caption, "Find");
  EXPECT_EQ(search->ImageIndex, 10);
  EXPECT_EQ(search->DisplayMode, nbdmImageAndText);
  EXPECT_EQ(search->Hint, "");
  EXPECT_EQ(search->Tag, 0);
  EXPECT_EQ(search->OnClick, TClickHandler::MISearchClick);
  EXPECT_EQ(form->CurrentSearchURL(), kSearchUrl);
}

// ---------------------------------------------------------------------------
// Keys and defaults

TEST_F(BuildToolbarTest, PlainItemTakesEveryKeyOfItsSection) {
  WriteConfig(
      "[Toolbar Items]\r\nWeather=ignored value\r\n"
      "[Weather]\r\nName=miWeather\r\nParent=Toolbar\r\nCaption=Weather\r\nImageIndex=$1F\r\n"
      "URL=Forecast|http://weather.example.com/\r\nTag=112\r\nGroupIndex=3\r\n");
  Build();
  TTBCustomItem* item = Item("miWeather");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(form->FindComponent("Weather"), nullptr);
  EXPECT_EQ(item->Kind(), TTBItemKind::Plain);
  EXPECT_EQ(item->Caption, "Weather");
  EXPECT_EQ(item->ImageIndex, 31);
  EXPECT_EQ(item->Hint, "Forecast|http://weather.example.com/");
  EXPECT_EQ(item->Tag, 112);
  EXPECT_EQ(item->GroupIndex, 3);
  EXPECT_TRUE(item->AutoCheck);
  EXPECT_FALSE(item->Checked());
  EXPECT_EQ(item->DisplayMode, nbdmImageAndText);
  EXPECT_TRUE(item->Options.Empty());
  EXPECT_EQ(item->OnClick, TClickHandler::MIClick);
}

TEST_F(BuildToolbarTest, MissingKeysGiveTheirDefaultsAndNoClickHandler) {
  WriteConfig("[Toolbar Items]\r\nBare=\r\n");
  Build();
  TTBCustomItem* item = Item("Bare");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Caption, "");
  EXPECT_EQ(item->ImageIndex, -1);
  EXPECT_EQ(item->Hint, "");
  EXPECT_EQ(item->Tag, 0);
  EXPECT_EQ(item->GroupIndex, 0);
  EXPECT_FALSE(item->AutoCheck);
  EXPECT_EQ(item->OnClick, TClickHandler::None);
  EXPECT_EQ(item->Parent(), nullptr) << "no Parent: not placed";
}

TEST_F(BuildToolbarTest, UnreadableIntegersTakeTheirDefaults) {
  WriteConfig(
      "[Toolbar Items]\r\nOdd=\r\n"
      "[Odd]\r\nImageIndex=seven\r\nTag=12x\r\nGroupIndex=\r\n");
  Build();
  EXPECT_EQ(Item("Odd")->ImageIndex, -1);
  EXPECT_EQ(Item("Odd")->Tag, 0);
  EXPECT_EQ(Item("Odd")->GroupIndex, 0);
}

TEST_F(BuildToolbarTest, NegativeGroupIndexDoesNotCheckAutomatically) {
  WriteConfig("[Toolbar Items]\r\nA=\r\n[A]\r\nGroupIndex=-2\r\n");
  Build();
  EXPECT_EQ(Item("A")->GroupIndex, -2);
  EXPECT_FALSE(Item("A")->AutoCheck);
}

TEST_F(BuildToolbarTest, EmptyNameLeavesItemsUnnamedButPlaced) {
  WriteConfig(
      "[Toolbar Items]\r\nOne=\r\nTwo=\r\n"
      "[One]\r\nName=\r\nCaption=First\r\nParent=Toolbar\r\n"
      "[Two]\r\nName=\r\nCaption=Second\r\nParent=Toolbar\r\n");
  Build();
  EXPECT_EQ(form->FindComponent("One"), nullptr);
  const auto& items = form->Toolbar->Items.Items();
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[3]->Caption, "First");
  EXPECT_EQ(items[3]->Name(), "");
  EXPECT_EQ(items[4]->Caption, "Second");
  EXPECT_EQ(items[5], form->SearchItem);
}

// ---------------------------------------------------------------------------
// Placement

TEST_F(BuildToolbarTest, ItemsFollowTheSearchBoxAndTheirParentsInListOrder) {
  WriteConfig(
      "[Toolbar Items]\r\nHome=\r\nToolsSubMenu=\r\nMail=\r\nNews=\r\nSeparator1=\r\nEnd=\r\n"
      "[Home]\r\nParent=Toolbar\r\n[ToolsSubMenu]\r\nParent=Toolbar\r\n"
      "[Mail]\r\nParent=ToolsSubMenu\r\n[News]\r\nParent=ToolsSubMenu\r\n"
      "[Separator1]\r\nParent=ToolsSubMenu\r\n[End]\r\nParent=Toolbar\r\n");
  Build();
  EXPECT_THAT(Children(&form->Toolbar->Items),
              ElementsAre("TBControlItem1", "TBSeparatorItem1", "TBControlItem2", "Home",
                          "ToolsSubMenu", "End", "miSearch"));
  EXPECT_THAT(Children(Item("ToolsSubMenu")), ElementsAre("Mail", "News", "Separator1"));
}

TEST_F(BuildToolbarTest, ParentIsFoundByNameWithoutRegardToCase) {
  WriteConfig(
      "[Toolbar Items]\r\nLinks=\r\nFirst=\r\n"
      "[Links]\r\nName=LinkMenu\r\nParent=Toolbar\r\n[First]\r\nParent=LINKMENU\r\n");
  Build();
  EXPECT_THAT(Children(Item("LinkMenu")), ElementsAre("First"));
}

TEST_F(BuildToolbarTest, ChildMayNameItsParentByItemKeyWhenTheParentHasNoName) {
  WriteConfig(
      "[Toolbar Items]\r\nMoreSubMenu=\r\nChild=\r\n"
      "[MoreSubMenu]\r\nParent=Toolbar\r\n[Child]\r\nParent=MoreSubMenu\r\n");
  Build();
  EXPECT_THAT(Children(Item("MoreSubMenu")), ElementsAre("Child"));
}

TEST_F(BuildToolbarTest, ChildListedBeforeItsParentIsNotShown) {
  WriteConfig(
      "[Toolbar Items]\r\nEarly=\r\nLateSubMenu=\r\n"
      "[Early]\r\nParent=LateSubMenu\r\n[LateSubMenu]\r\nParent=Toolbar\r\n");
  Build();
  ASSERT_NE(Item("Early"), nullptr);
  EXPECT_EQ(Item("Early")->Parent(), nullptr);
  EXPECT_THAT(Children(Item("LateSubMenu")), IsEmpty());
}

TEST_F(BuildToolbarTest, ParentThatIsNotAnItemLeavesTheItemUnplaced) {
  const std::vector<std::string> parents = {"toolbar", "TOOLBAR", "SearchBox", "MainPopup",
                                            "Image",   "Dock",    "Nowhere",   ""};
  std::string items = "[Toolbar Items]\r\n";
  std::string sections;
  for (size_t i = 0; i < parents.size(); ++i) {
    items += "Item" + std::to_string(i) + "=\r\n";
    sections += "[Item" + std::to_string(i) + "]\r\nParent=" + parents[i] + "\r\n";
  }
  WriteConfig(items + sections);
  Build();
  for (size_t i = 0; i < parents.size(); ++i) {
    TTBCustomItem* item = Item("Item" + std::to_string(i));
    ASSERT_NE(item, nullptr) << "the item exists";
    EXPECT_EQ(item->Parent(), nullptr) << "Parent=" << parents[i];
  }
  EXPECT_THAT(TopLevel(), ElementsAre("miSearch"));
}

TEST_F(BuildToolbarTest, ItemsMayJoinTheWindowsOwnMenuItems) {
  WriteConfig(
      "[Toolbar Items]\r\nExtra=\r\n[Extra]\r\nParent=miabout\r\nURL=http://e.example/\r\n");
  Build();
  EXPECT_THAT(Children(form->miAbout), ElementsAre("Extra"));
}

TEST_F(BuildToolbarTest, ItemNamingItselfAsParentIsLeftUnplaced) {
  WriteConfig(
      "[Toolbar Items]\r\nLoopSubMenu=\r\nAfter=\r\n"
      "[LoopSubMenu]\r\nParent=loopsubmenu\r\n[After]\r\nParent=Toolbar\r\n");
  Build();
  EXPECT_EQ(Item("LoopSubMenu")->Parent(), nullptr);
  EXPECT_THAT(Children(Item("LoopSubMenu")), IsEmpty());
  EXPECT_THAT(TopLevel(), ElementsAre("After", "miSearch"));
}

// ---------------------------------------------------------------------------
// Names that stop construction

TEST_F(BuildToolbarTest, InvalidNameStopsConstructionAtThatItem) {
  WriteConfig(
      "[Toolbar Items]\r\nFirst=\r\nSecond=\r\nThird=\r\nmiSearch=\r\n"
      "[First]\r\nParent=Toolbar\r\n"
      "[Second]\r\nName=2nd Item\r\nCaption=Second\r\nImageIndex=4\r\nURL=http://2.example/\r\n"
      "Tag=3\r\nParent=Toolbar\r\n"
      "[Third]\r\nParent=Toolbar\r\n");
  StoreText("Search", "kept");
  EXPECT_EQ(BuildFailing(), "''2nd Item'' is not a valid component name");

  EXPECT_THAT(TopLevel(), ElementsAre("First"));
  // The failing item exists, unnamed and unplaced, as far as it was set up.
  TComponent& last = form->Component(form->ComponentCount() - 1);
  auto* second = dynamic_cast<TTBCustomItem*>(&last);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Name(), "");
  EXPECT_EQ(second->Parent(), nullptr);
  EXPECT_EQ(second->Caption, "Second");
  EXPECT_EQ(second->Hint, "");
  // Nothing after it: no third item, no search button, no restored state.
  EXPECT_EQ(form->FindComponent("Third"), nullptr);
  EXPECT_EQ(form->SearchItem, nullptr);
  EXPECT_EQ(form->FindComponent("miSearch"), nullptr);
  EXPECT_EQ(form->CurrentSearchURL(), "");
  EXPECT_THAT(view.search_texts, IsEmpty());
}

TEST_F(BuildToolbarTest, InvalidSeparatorNameStopsConstructionToo) {
  WriteConfig("[Toolbar Items]\r\nSeparator1=\r\n[Separator1]\r\nName=-\r\n");
  EXPECT_EQ(BuildFailing(), "''-'' is not a valid component name");
}

TEST_F(BuildToolbarTest, DuplicateNameStopsConstructionWithTheNameAsWritten) {
  WriteConfig(
      "[Toolbar Items]\r\nHome=\r\nmiSearch=\r\nAgain=\r\nLast=\r\n"
      "[Home]\r\nParent=Toolbar\r\n[miSearch]\r\nParent=Toolbar\r\n"
      "[Again]\r\nName=HOME\r\nParent=Toolbar\r\n[Last]\r\nParent=Toolbar\r\n");
  EXPECT_EQ(BuildFailing(), "A component named HOME already exists");
  EXPECT_THAT(TopLevel(), ElementsAre("Home", "miSearch"));
  EXPECT_EQ(form->SearchItem, Item("miSearch"));
  EXPECT_EQ(form->SearchItem->OnClick, TClickHandler::None) << "step not reached";
  EXPECT_EQ(form->FindComponent("Last"), nullptr);
}

TEST_F(BuildToolbarTest, NameOfAFixedComponentIsTakenAlready) {
  WriteConfig("[Toolbar Items]\r\nBox=\r\n[Box]\r\nName=searchbox\r\n");
  EXPECT_EQ(BuildFailing(), "A component named searchbox already exists");
}

TEST_F(BuildToolbarTest, DefaultSearchButtonNeedsItsNameFree) {
  WriteConfig("[Toolbar Items]\r\nFind=\r\n[Find]\r\nName=MISEARCH\r\nParent=Toolbar\r\n");
  EXPECT_EQ(BuildFailing(), "A component named miSearch already exists");
  EXPECT_EQ(form->SearchItem, nullptr);
}

// ---------------------------------------------------------------------------
// How deep items nest

struct Nested {
  std::string key, parent;
  int level;              // 0: not built
  std::string name = "";  // the section's "Name", when it has one
};

// `count` submenus, each inside the one before, the first under `parent`;
// then `more`.
std::vector<Nested> Chain(const std::string& prefix, int count, const std::string& parent,
                          std::vector<Nested> more = {}) {
  std::vector<Nested> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({prefix + std::to_string(i) + "SubMenu", i ? entries.back().key : parent,
                       i < kMaxItemDepth ? i + 1 : 0});
  entries.insert(entries.end(), more.begin(), more.end());
  return entries;
}

// `count` items side by side under `parent`.
std::vector<Nested> Fan(const std::string& prefix, int count, const std::string& parent,
                        int level) {
  std::vector<Nested> entries;
  for (int i = 0; i < count; ++i) entries.push_back({prefix + std::to_string(i), parent, level});
  return entries;
}

TEST_F(BuildToolbarTest, ItemsBelowTheDeepestLevelAndWhatHangsFromThemAreNotBuilt) {
  std::vector<Nested> wide = Fan("Wide", 300, "L30SubMenu", 32),
                      under = Fan("Under", 300, "Wide7", 0);
  wide.insert(wide.end(), under.begin(), under.end());
  const struct {
    const char* name;
    std::vector<Nested> entries;
  } cases[] = {
      {"32 levels", Chain("L", 32, "Toolbar")},
      {"33 levels", Chain("L", 33, "Toolbar")},
      // What names a left-out item as its Parent, in any letter case, is left
      // out too, however long the chain; a sibling above the limit is built.
      {"below the limit",
       Chain("L", 40, "Toolbar", {{"Sibling", "L30SubMenu", 32}, {"Cased", "l32submenu", 0}})},
      // A tree that is never shown counts its levels from its own top.
      {"placed nowhere", Chain("N", 34, "Nowhere")},
      // A left-out item takes no name: a later item may have it.
      {"name of a left-out item", Chain("L", 32, "Toolbar",
                                        {{"Deep", "L31SubMenu", 0, "Taken"},
                                         {"Later", "Toolbar", 1, "Taken"},
                                         {"Below", "Taken", 2}})},
      // The first finds no parent yet; an item cannot hold itself.
      {"a cycle",
       {{"ASubMenu", "BSubMenu", 1},
        {"BSubMenu", "ASubMenu", 2},
        {"SelfSubMenu", "SelfSubMenu", 1}}},
      {"a wide tree", Chain("L", 31, "Toolbar", wide)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string list = "[Toolbar Items]\r\n", sections;
    for (const Nested& e : c.entries) {
      list += e.key + "=\r\n";
      sections += "[" + e.key + "]\r\nParent=" + e.parent + "\r\n" +
                  (e.name.empty() ? "" : "Name=" + e.name + "\r\n");
    }
    WriteConfig(list + sections);
    Build();

    std::vector<int> left_out;
    for (size_t i = 0; i < c.entries.size(); ++i) {
      const Nested& e = c.entries[i];
      const TTBCustomItem* item = Item(e.name.empty() ? e.key : e.name);
      if (e.level == 0) {
        left_out.push_back(static_cast<int>(i));
        EXPECT_TRUE(item == nullptr || !e.name.empty()) << e.key << " was built";
        continue;
      }
      ASSERT_NE(item, nullptr) << e.key;
      EXPECT_EQ(item->Level(), e.level) << e.key;
      EXPECT_EQ(item->Parent(), e.parent == "Toolbar" ? &form->Toolbar->Items
                                : e.level == 1        ? nullptr  // placed nowhere
                                                      : Item(e.parent))
          << e.key;
    }
    EXPECT_EQ(form->LeftOutEntries, left_out);
    EXPECT_NE(form->SearchItem, nullptr) << "construction went on to its end";
  }
}

// ---------------------------------------------------------------------------
// The default search button, missing configurations, the banner

TEST_F(BuildToolbarTest, WithoutASearchEntryAPlainSearchButtonComesLast) {
  WriteConfig(
      "[Toolbar Items]\r\nHome=\r\n[Home]\r\nParent=Toolbar\r\nURL=http://home.example/\r\n");
  Build();
  EXPECT_THAT(TopLevel(), ElementsAre("Home", "miSearch"));
  TTBCustomItem* search = form->SearchItem;
  ASSERT_EQ(search, Item("miSearch"));
  EXPECT_EQ(search->Kind(), TTBItemKind::Plain);
  EXPECT_EQ(search->Caption, "Search");
  EXPECT_EQ(search->ImageIndex, 8);
  EXPECT_EQ(search->DisplayMode, nbdmImageAndText);
  EXPECT_EQ(search->OnClick, TClickHandler::MISearchClick);
  EXPECT_EQ(search->Hint, "");
  EXPECT_EQ(&form->Component(form->ComponentCount() - 1), search);
}

TEST_F(BuildToolbarTest, MissingConfigurationBuildsTheSearchButtonAndRestoresTheText) {
  StoreText("Search", "last words");
  Build();
  EXPECT_THAT(TopLevel(), ElementsAre("miSearch"));
  EXPECT_EQ(form->CurrentSearchURL(), kSearchUrl);
  EXPECT_THAT(view.search_texts, ElementsAre("last words"));
  EXPECT_THAT(ui.shown, IsEmpty()) << "updating is off: nothing is checked or shown";
}

TEST_F(BuildToolbarTest, ConfigurationWithoutItemListBuildsOnlyTheSearchButton) {
  WriteConfig("[Home]\r\nParent=Toolbar\r\n");
  Build();
  EXPECT_THAT(TopLevel(), ElementsAre("miSearch"));
  EXPECT_EQ(form->FindComponent("Home"), nullptr);
}

TEST_F(BuildToolbarTest, BannerPictureReplacesTheBuiltInOneWhenItsFileExists) {
  Build();
  EXPECT_THAT(view.banner_files, IsEmpty());

  std::ofstream(BannerFilePath(), std::ios::binary) << "BM";
  view = {};
  Build();
  EXPECT_THAT(view.banner_files, ElementsAre(BannerFilePath()));
  EXPECT_EQ(view.banner, BannerFilePath());
}

TEST_F(BuildToolbarTest, UnreadableBannerPictureLeavesTheBuiltInOneAndTheItems) {
  std::ofstream(BannerFilePath(), std::ios::binary) << "not a bitmap";
  view.refuse_banner = true;
  WriteConfig("[Toolbar Items]\r\nHome=\r\n[Home]\r\nParent=Toolbar\r\n");
  Build();
  EXPECT_EQ(view.banner, "");
  EXPECT_THAT(TopLevel(), ElementsAre("Home", "miSearch"));
}

TEST_F(BuildToolbarTest, UpdatedConfigurationTakesEffectInTheSameWindow) {
  WriteConfig("[Toolbar Items]\r\nOld=\r\n[Old]\r\nParent=Toolbar\r\n");
  ToolbarConfig.UpdatesUrl = "http://updates.example.net/bar";
  const std::string fresh =
      "[Options]\r\nToolbar Name=My Bar\r\n"
      "[Toolbar Items]\r\nFresh=\r\n[Fresh]\r\nParent=Toolbar\r\n";
  fakes::FakeResponse response;
  response.body = fresh;
  response.announced = fresh.size();
  internet.responses["http://updates.example.net/bar/toolbar.ini"] = response;
  Build();
  EXPECT_THAT(TopLevel(), ElementsAre("Fresh", "miSearch"));
  EXPECT_EQ(form->FindComponent("Old"), nullptr);
}

// ---------------------------------------------------------------------------
// Search type and search text of the last window

class SearchTypeRestore : public BuildToolbarTest {
 protected:
  void SetUp() override {
    WriteConfig(
        "[Toolbar Items]\r\nmiSearch=\r\nWebSubMenu=\r\nWeb=\r\nImages=\r\nImagesToo=\r\n"
        "[miSearch]\r\nCaption=Find\r\nImageIndex=8\r\nParent=Toolbar\r\nCount=3\r\n"
        "[WebSubMenu]\r\nTag=2\r\nURL=http://sub.example/[SEARCH]\r\nParent=miSearch\r\n"
        "[Web]\r\nCaption=Web\r\nImageIndex=10\r\nTag=1\r\nGroupIndex=1\r\n"
        "URL=http://web.example/?q=[SEARCH]\r\nParent=miSearch\r\n"
        "[Images]\r\nCaption=Images\r\nImageIndex=12\r\nTag=2\r\nGroupIndex=1\r\n"
        "URL=http://img.example/?q=[SEARCH]\r\nParent=miSearch\r\n"
        "[ImagesToo]\r\nCaption=Images too\r\nImageIndex=13\r\nTag=2\r\nGroupIndex=1\r\n"
        "URL=http://img2.example/?q=[SEARCH]\r\nParent=miSearch\r\n");
  }
  void ExpectSearchButtonAsConfigured() {
    EXPECT_EQ(form->SearchItem->Caption, "Find");
    EXPECT_EQ(form->SearchItem->ImageIndex, 8);
    EXPECT_EQ(form->SearchItem->Tag, 0);
    EXPECT_EQ(form->CurrentSearchURL(), kSearchUrl);
    for (const char* name : {"Web", "Images", "ImagesToo", "WebSubMenu"})
      EXPECT_FALSE(Item(name)->Checked()) << name;
  }
};

TEST_F(SearchTypeRestore, StoredTypeChecksTheFirstPlainItemWithThatTag) {
  StoreText("Search Type", "2");
  Build();
  EXPECT_TRUE(Item("Images")->Checked());
  EXPECT_FALSE(Item("ImagesToo")->Checked());
  EXPECT_FALSE(Item("WebSubMenu")->Checked()) << "submenu items do not count";
  EXPECT_EQ(form->SearchItem->Caption, "Images");
  EXPECT_EQ(form->SearchItem->ImageIndex, 12);
  EXPECT_EQ(form->SearchItem->Tag, 2);
  EXPECT_EQ(form->CurrentSearchURL(), "http://img.example/?q=[SEARCH]");
}

TEST_F(SearchTypeRestore, IntegerTypedValueCountsAsItsNumber) {
  registry.Put(RegRoot::LocalMachine, kBandKey, "Search Type", RegType::Dword,
               std::string("\x02\0\0\0", 4));
  Build();
  EXPECT_TRUE(Item("Images")->Checked());
}

TEST_F(SearchTypeRestore, NumbersOutsideTheRangeOrWithoutAnItemLeaveTheButtonAsConfigured) {
  for (const char* stored : {"31", "0", "-1", "-2147483648", "5"}) {
    SCOPED_TRACE(stored);
    StoreText("Search Type", stored);
    Build();
    ExpectSearchButtonAsConfigured();
  }
}

TEST_F(SearchTypeRestore, BothEndsOfTheRangeAreRestoredAndNothingBeyond) {
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\nLowest=\r\nHighest=\r\nBeyond=\r\n"
      "[miSearch]\r\nCaption=Find\r\nImageIndex=8\r\nParent=Toolbar\r\nCount=3\r\n"
      "[Lowest]\r\nCaption=Lowest\r\nImageIndex=20\r\nTag=1\r\nGroupIndex=1\r\n"
      "URL=http://low.example/?q=[SEARCH]\r\nParent=miSearch\r\n"
      "[Highest]\r\nCaption=Highest\r\nImageIndex=21\r\nTag=30\r\nGroupIndex=1\r\n"
      "URL=http://high.example/?q=[SEARCH]\r\nParent=miSearch\r\n"
      "[Beyond]\r\nCaption=Beyond\r\nImageIndex=22\r\nTag=31\r\nGroupIndex=1\r\n"
      "URL=http://beyond.example/?q=[SEARCH]\r\nParent=miSearch\r\n");
  const struct {
    const char* stored;
    const char* restored;  // the item checked, none for the button as configured
    int32_t image;
    const char* url;
  } cases[] = {
      {"1", "Lowest", 20, "http://low.example/?q=[SEARCH]"},
      {"30", "Highest", 21, "http://high.example/?q=[SEARCH]"},
      {"31", nullptr, 8, kSearchUrl.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    StoreText("Search Type", c.stored);
    Build();
    for (const char* name : {"Lowest", "Highest", "Beyond"})
      EXPECT_EQ(Item(name)->Checked(), c.restored && std::string(c.restored) == name) << name;
    EXPECT_EQ(form->SearchItem->Caption, c.restored ? c.restored : "Find");
    EXPECT_EQ(form->SearchItem->ImageIndex, c.image);
    EXPECT_EQ(form->SearchItem->Tag, c.restored ? std::stoi(c.stored) : 0);
    EXPECT_EQ(form->CurrentSearchURL(), c.url);
  }
}

// A type outside any group keeps no check mark: nothing would take it away
// when another type is chosen.
TEST_F(SearchTypeRestore, OnlyATypeInAGroupIsCheckedAndStaysTheOnlyOneChecked) {
  const struct {
    const char* group;
    bool checked;
  } cases[] = {{"GroupIndex=1\r\n", true}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.group);
    WriteConfig(std::string("[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\n"
                            "[miSearch]\r\nCaption=Find\r\nParent=Toolbar\r\nCount=2\r\n"
                            "[Web]\r\nCaption=Web\r\nTag=1\r\nParent=miSearch\r\n") +
                c.group + "URL=http://web.example/?q=[SEARCH]\r\n[News]\r\nCaption=News\r\nTag=2\r\n" +
                c.group + "Parent=miSearch\r\nURL=http://news.example/?q=[SEARCH]\r\n");
    StoreText("Search Type", "1");
    Build();
    EXPECT_EQ(form->SearchItem->Caption, "Web");
    EXPECT_EQ(Item("Web")->Checked(), c.checked);
    form->Click(*Item("News"));
    EXPECT_EQ(form->SearchItem->Caption, "News");
    EXPECT_FALSE(Item("Web")->Checked());
  }
}

TEST_F(SearchTypeRestore, MissingEmptyOrNonNumericValueSelectsTypeOne) {
  for (const char* stored : {"", "abc", "2x", " 2", "0x2", "2147483650"}) {
    SCOPED_TRACE(stored);
    StoreText("Search Type", stored);
    Build();
    EXPECT_TRUE(Item("Web")->Checked());
    EXPECT_EQ(form->SearchItem->Caption, "Web");
    EXPECT_EQ(form->SearchItem->Tag, 1);
    EXPECT_EQ(form->CurrentSearchURL(), "http://web.example/?q=[SEARCH]");
  }
  registry.DeleteTree(RegRoot::LocalMachine, kBandKey);
  Build();
  EXPECT_TRUE(Item("Web")->Checked());
}

TEST_F(SearchTypeRestore, WithoutSearchTypeItemsTheSearchAddressOfTheOptionsStays) {
  WriteConfig("[Toolbar Items]\r\nmiSearch=\r\n[miSearch]\r\nParent=Toolbar\r\n");
  Build();
  EXPECT_EQ(form->SearchItem->Caption, "");
  EXPECT_EQ(form->CurrentSearchURL(), kSearchUrl);
}

TEST_F(SearchTypeRestore, SearchTextOfTheLastWindowGoesIntoTheSearchBox) {
  StoreText("Search", "weather in Bergen");
  Build();
  EXPECT_THAT(view.search_texts, ElementsAre("weather in Bergen"));
}

}  // namespace
}  // namespace pq
