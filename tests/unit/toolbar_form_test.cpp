#include "toolbar/toolbar_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_toolbar_view.h"

namespace pq {
namespace {

using ::testing::ElementsAre;

class ToolbarFormTest : public ::testing::Test {
 protected:
  Platform platform;
  fakes::FakeToolbarView view;
  TToolbarForm form{platform, view};
};

std::vector<std::string> NamesOf(const std::vector<TTBCustomItem*>& items) {
  std::vector<std::string> names;
  for (const TTBCustomItem* item : items) names.push_back(item->Name());
  return names;
}

void ExpectError(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no error raised, expected: " << message;
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), message);
  }
}

TEST_F(ToolbarFormTest, FixedComponentsComeInCreationOrderWithEachMenusItemsAfterIt) {
  std::vector<std::string> names;
  for (size_t i = 0; i < form.ComponentCount(); ++i) names.push_back(form.Component(i).Name());
  EXPECT_THAT(
      names,
      ElementsAre("Dock", "Toolbar", "TBControlItem1", "TBSeparatorItem1", "TBControlItem2",
                  "FlashToolbar", "Image", "SearchBox", "MainPopup", "miSpeedBtn1", "miSpeedBtn2",
                  "miSpeedBtn3", "miSpeedBtn4", "miSpeedBtn5", "miReset", "TBSeparatorItem3",
                  "miLatestVersion", "TBSeparatorItem2", "miSupport", "miWebsite",
                  "TBSeparatorItem47", "miAbout", "miClose", "SearchPopup", "miCut", "miCopy",
                  "miPaste", "miDelete", "TBSeparatorItem40", "miSelectAll", "TBSeparatorItem36",
                  "miSaveSearches", "miLoadSearches", "miEditHistory", "miRefreshSearches",
                  "TBSeparatorItem39", "miRemoveSelected", "miClearSearches", "OpenDialog1",
                  "SaveDialog1", "ImageList"));
  for (size_t i = 0; i < form.ComponentCount(); ++i) {
    const auto* item = dynamic_cast<const TTBCustomItem*>(&form.Component(i));
    if (item) {
      EXPECT_EQ(item->Tag, 0) << item->Name();
    }
  }
}

TEST_F(ToolbarFormTest, ToolbarStartsWithBannerSeparatorAndSearchBox) {
  EXPECT_THAT(NamesOf(form.Toolbar->Items.Items()),
              ElementsAre("TBControlItem1", "TBSeparatorItem1", "TBControlItem2"));
  EXPECT_EQ(form.TBControlItem1->Control, form.FlashToolbar);
  EXPECT_EQ(form.TBControlItem2->Control, form.SearchBox);
  EXPECT_EQ(form.Image->OnClick, TClickHandler::ImageClick);
}

TEST_F(ToolbarFormTest, MainMenuHidesTheSpeedButtonCommands) {
  EXPECT_THAT(NamesOf(form.MainPopup->Items.Items()),
              ElementsAre("miSpeedBtn1", "miSpeedBtn2", "miSpeedBtn3", "miSpeedBtn4", "miSpeedBtn5",
                          "miReset", "TBSeparatorItem3", "miLatestVersion", "TBSeparatorItem2",
                          "miSupport", "miWebsite", "TBSeparatorItem47", "miAbout", "miClose"));
  std::vector<bool> visible;
  for (const TTBCustomItem* item : form.MainPopup->Items.Items()) visible.push_back(item->Visible);
  EXPECT_THAT(visible, ElementsAre(false, false, false, false, false, false, false, false, false,
                                   true, true, true, true, true));
  EXPECT_EQ(form.miSpeedBtn[2]->Caption, "Speed Button 3 URL");
  EXPECT_EQ(form.miSpeedBtn[2]->ImageIndex, 15);
  EXPECT_EQ(form.miSpeedBtn[4]->OnClick, TClickHandler::SpeedBtnClick);
  EXPECT_EQ(form.miLatestVersion->ImageIndex, -1);
  EXPECT_EQ(form.miLatestVersion->OnClick, TClickHandler::MIDirectURLClick);
  EXPECT_EQ(form.miWebsite->OnClick, TClickHandler::MIDirectURLClick);
  EXPECT_EQ(form.miSupport->ImageIndex, 53);
  EXPECT_EQ(form.miClose->Caption, "Close Toolbar");
}

TEST_F(ToolbarFormTest, SearchMenuCarriesShortcutsAndHints) {
  EXPECT_EQ(form.miCut->Caption, "Cu&t");
  EXPECT_EQ(form.miCut->ShortCut, 16472);
  EXPECT_EQ(form.miCopy->ShortCut, 16451);
  EXPECT_EQ(form.miPaste->ShortCut, 16470);
  EXPECT_EQ(form.miDelete->ShortCut, 46);
  EXPECT_EQ(form.miSelectAll->ShortCut, 0);
  EXPECT_EQ(form.miPaste->Hint, "Paste|Inserts Clipboard contents");
  EXPECT_EQ(form.miRemoveSelected->ImageIndex, 118);
  EXPECT_EQ(form.miClearSearches->OnClick, TClickHandler::miClearSearchesClick);
  EXPECT_EQ(form.SearchPopup->Items.Items().size(), 14u);
}

TEST_F(ToolbarFormTest, ComponentsAreFoundByNameWithoutRegardToCase) {
  EXPECT_EQ(form.FindComponent("toolbar"), form.Toolbar);
  EXPECT_EQ(form.FindComponent("MISEARCHBTN1"), nullptr);
  EXPECT_EQ(form.FindComponent("MISPEEDBTN1"), form.miSpeedBtn[0]);
  EXPECT_EQ(form.FindComponent(""), nullptr);
  EXPECT_EQ(form.FindComponent("Toolbar "), nullptr);
  // The toolbar itself is a component but not an item.
  EXPECT_EQ(dynamic_cast<TTBCustomItem*>(form.FindComponent("TOOLBAR")), nullptr);
}

TEST_F(ToolbarFormTest, NamesMustBeIdentifiers) {
  TTBItem& item = form.CreateComponent<TTBItem>();
  for (const std::string bad : {"1st", "a b", "a-b", "caf\xE9", "a.b", " a"})
    ExpectError([&] { item.SetName(bad); }, "''" + bad + "'' is not a valid component name");
  EXPECT_EQ(item.Name(), "");
  for (const std::string good : {"_", "_1", "a1_b2", "Z"}) {
    item.SetName(good);
    EXPECT_EQ(form.FindComponent(good), &item);
  }
}

TEST_F(ToolbarFormTest, NamesAreUniqueWithoutRegardToCase) {
  TTBItem& item = form.CreateComponent<TTBItem>();
  ExpectError([&] { item.SetName("searchbox"); }, "A component named searchbox already exists");
  EXPECT_EQ(item.Name(), "");
  EXPECT_EQ(form.FindComponent("searchbox"), form.SearchBox);

  item.SetName("Go");
  item.SetName("GO");  // the same component in other letters
  EXPECT_EQ(item.Name(), "GO");
  EXPECT_EQ(form.FindComponent("go"), &item);

  TTBItem& other = form.CreateComponent<TTBItem>();
  ExpectError([&] { other.SetName("gO"); }, "A component named gO already exists");
  item.SetName("Went");  // frees its old name
  other.SetName("gO");
  EXPECT_EQ(form.FindComponent("GO"), &other);
  EXPECT_EQ(form.FindComponent("went"), &item);
  item.SetName("");
  EXPECT_EQ(form.FindComponent("went"), nullptr);
}

TEST_F(ToolbarFormTest, CheckingAnItemUnchecksItsGroupUnderTheSameParent) {
  TTBSubmenuItem& menu = form.CreateComponent<TTBSubmenuItem>();
  TTBSubmenuItem& other_menu = form.CreateComponent<TTBSubmenuItem>();
  std::vector<TTBItem*> items;
  for (int group : {1, 1, 2, 0, 0}) {
    TTBItem& item = form.CreateComponent<TTBItem>();
    item.GroupIndex = group;
    menu.Add(item);
    items.push_back(&item);
  }
  TTBItem& elsewhere = form.CreateComponent<TTBItem>();
  elsewhere.GroupIndex = 1;
  other_menu.Add(elsewhere);
  for (TTBCustomItem* item :
       std::vector<TTBCustomItem*>{items[1], items[2], items[3], items[4], &elsewhere})
    item->SetChecked(true);

  items[0]->SetChecked(true);
  EXPECT_TRUE(items[0]->Checked());
  EXPECT_FALSE(items[1]->Checked());  // same group, same parent
  EXPECT_TRUE(items[2]->Checked());   // another group
  EXPECT_TRUE(elsewhere.Checked());   // another parent
  items[3]->SetChecked(true);         // group 0 is no group
  EXPECT_TRUE(items[4]->Checked());
}

TEST_F(ToolbarFormTest, AnItemIsPlacedOnceAndNeverInsideItself) {
  TTBSubmenuItem& outer = form.CreateComponent<TTBSubmenuItem>();
  TTBSubmenuItem& inner = form.CreateComponent<TTBSubmenuItem>();
  outer.Add(inner);
  EXPECT_THROW(outer.Add(inner), Error);
  EXPECT_THROW(inner.Add(outer), Error);
  EXPECT_THROW(outer.Add(outer), Error);
  EXPECT_THAT(NamesOf(outer.Items()), ElementsAre(""));
  EXPECT_EQ(inner.Parent(), &outer);
  EXPECT_EQ(outer.Parent(), nullptr);
}

}  // namespace
}  // namespace pq
