// What a user's clicks on configured items and on the main menu do: open
// addresses, choose search types, search, edit and reset the speed button.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kItems[] =
    "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\nLookup=\r\nHome=\r\nSpeedBtn1=\r\n"
    "[miSearch]\r\nCaption=Search\r\nImageIndex=8\r\nParent=Toolbar\r\nCount=3\r\n"
    "[Web]\r\nCaption=Web\r\nImageIndex=20\r\nTag=1\r\nGroupIndex=1\r\nParent=miSearch\r\n"
    "URL=http://web.example/?q=[SEARCH]\r\n"
    "[News]\r\nCaption=News\r\nImageIndex=21\r\nTag=2\r\nGroupIndex=1\r\nParent=miSearch\r\n"
    "URL=http://news.example/[search]/latest\r\n"
    "[Lookup]\r\nCaption=Lookup\r\nParent=miSearch\r\nURL=Dictionary|http://dict.example/"
    "?w=[Search]\r\n"
    "[Home]\r\nCaption=Home\r\nParent=Toolbar\r\nURL=Start page|http://start.example/\r\n"
    "[SpeedBtn1]\r\nCaption=Speed\r\nImageIndex=1\r\nTag=111\r\nParent=Toolbar\r\n"
    "URL=http://speed.example/\r\n";

class CommandsTest : public ToolbarWindowTest {
 protected:
  CommandsTest() {
    WriteConfig(kItems);
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Search Type", "0");
    Open();
  }
};

struct ClickCase {
  const char* item;
  const char* typed;
  std::vector<std::string> browser;  // what the hosting browser was asked
  int32_t search_type;               // the search button's number afterwards
  const char* website = nullptr;     // an address of the Website item's own
};

TEST_F(CommandsTest, ClickDecidesBetweenSearchTypeSearchLinkAndAddress) {
  const ClickCase cases[] = {
      {"Home", "", {"navigate http://start.example/"}, 0},
      {"Lookup", "two words", {"navigate Dictionary|http://dict.example/?w=two+words"}, 0},
      {"News", "ignored", {}, 2},
      {"miWebsite", "", {"navigate http://www.home.example/"}, 0},
      {"miLatestVersion", "", {"navigate http://www.home.example/"}, 0},
      {"miSupport", "", {"navigate mailto:help@home.example"}, 0},
      // Opened over HTTP.
      {"miWebsite", "", {"navigate http://www.other.example"}, 0, "www.other.example"},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.item);
    Open();
    if (c.website) form->miWebsite->Hint = c.website;
    view.search_text = c.typed;
    Click(c.item);
    EXPECT_EQ(host->log, c.browser);
    EXPECT_EQ(form->SearchItem->Tag, c.search_type);
    host->log.clear();
  }
  EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(CommandsTest, ChoosingASearchTypeChangesOnlyTheButtonAndTheNextSearch) {
  Click("News");
  EXPECT_EQ(form->SearchItem->Caption, "News");
  EXPECT_EQ(form->SearchItem->ImageIndex, 21);
  EXPECT_EQ(form->CurrentSearchURL(), "http://news.example/[search]/latest");
  EXPECT_THAT(view.changed_items, ::testing::Contains("miSearch"));
  EXPECT_TRUE(Item("News").Checked());
  Click("Web");
  EXPECT_FALSE(Item("News").Checked());
  EXPECT_TRUE(Item("Web").Checked());
  // The mark goes, the choice stays.
  Click("Web");
  EXPECT_FALSE(Item("Web").Checked());
  EXPECT_EQ(form->SearchItem->Tag, 1);
  Search("fjord");
  Click("miSearch");
  EXPECT_THAT(host->log, ElementsAre("navigate http://web.example/?q=fjord",
                                     "navigate http://web.example/?q=fjord"));
}

struct SpeedEditCase {
  std::optional<std::string> answer;  // none: Cancel
  std::string hint;
  int32_t image;
  bool tooltip;
  std::string stored;
};

// Each speed button menu entry edits its own button: only SpeedBtn1 exists,
// the other entries find nothing to edit.
TEST_F(CommandsTest, EditingTheSpeedButtonTakesTheNewAddressUnlessUnchanged) {
  const SpeedEditCase cases[] = {
      {std::nullopt, "http://speed.example/", 1, false, "<none>"},
      {"http://speed.example/", "http://speed.example/", 1, false, "<none>"},
      {"http://mine.example/", "http://mine.example/", 11, true, "http://mine.example/"},
      {"", "", 11, true, ""},
  };
  for (const SpeedEditCase& c : cases) {
    SCOPED_TRACE(c.answer.value_or("<cancel>"));
    Open();
    ui.input_answer = c.answer;
    const size_t asked = ui.input_boxes.size();
    for (int n = 5; n >= 1; --n) Click("miSpeedBtn" + std::to_string(n));
    ASSERT_EQ(ui.input_boxes.size(), asked + 1);
    TTBCustomItem& speed = Item("SpeedBtn1");
    EXPECT_EQ(speed.Hint, c.hint);
    EXPECT_EQ(speed.ImageIndex, c.image);
    EXPECT_EQ(speed.Options.Contains(tboShowHint), c.tooltip);
    EXPECT_EQ(Stored("SpeedBtn1"), c.stored);
  }
  EXPECT_EQ(ui.input_initials[0], "http://speed.example/");
  EXPECT_EQ(ui.input_boxes[0].caption, "SpeedButton URL");
  EXPECT_EQ(ui.input_boxes[0].text, "Enter this Speedbutton's new URL");
}

TEST_F(CommandsTest, StoredSpeedAddressIsRestoredAtStartOnlyWithTheNameAndTheTag) {
  registry.PutText(RegRoot::LocalMachine, kBandKey, "SpeedBtn1", "http://kept.example/");
  const struct {
    const char* name;
    const char* tag;
    bool restored;
  } cases[] = {{"SpeedBtn1", "111", true},
               {"SpeedBtn1", "110", false},  // the tags start above 110
               {"SpeedBtn1", "112", false},
               {"SpeedButton1", "111", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.tag);
    WriteConfig(std::string("[Toolbar Items]\r\n") + c.name + "=\r\n[" + c.name +
                "]\r\nParent=Toolbar\r\nImageIndex=1\r\nURL=http://speed.example/\r\nTag=" + c.tag +
                "\r\n");
    Open();
    host->log.clear();
    Click(c.name);
    const std::string address = c.restored ? "http://kept.example/" : "http://speed.example/";
    EXPECT_EQ(Item(c.name).Hint, address);
    EXPECT_EQ(Item(c.name).ImageIndex, c.restored ? 11 : 1);
    EXPECT_EQ(Item(c.name).Options.Contains(tboShowHint), c.restored);
    // Clicked like any address.
    EXPECT_THAT(host->log, ElementsAre("navigate " + address));
  }
}

// Restoring a stored address writes nothing: the machine's address stays the
// machine's, and a user's own stays the user's.
TEST_F(CommandsTest, RestoringTheSpeedAddressLeavesTheStoredValuesWhereTheyAre) {
  const struct {
    const char* what;
    RegRoot stored_in;
    bool machine_writable;
  } cases[] = {
      {"the machine's address, for a user without its rights", RegRoot::LocalMachine, false},
      {"a user's own address, for a user with them", RegRoot::CurrentUser, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry.DeleteTree(RegRoot::LocalMachine, kBandKey);
    registry.DeleteTree(RegRoot::CurrentUser, kBandKey);
    registry.deny_root.clear();
    registry.PutText(c.stored_in, kBandKey, "SpeedBtn1", "http://kept.example/");
    if (!c.machine_writable) registry.deny_root[RegRoot::LocalMachine] = kErrorAccessDenied;
    Open();
    EXPECT_EQ(Item("SpeedBtn1").Hint, "http://kept.example/");
    const RegRoot other =
        c.stored_in == RegRoot::LocalMachine ? RegRoot::CurrentUser : RegRoot::LocalMachine;
    EXPECT_EQ(Stored("SpeedBtn1", other), "<none>");
    EXPECT_EQ(Stored("SpeedBtn1", c.stored_in), "http://kept.example/");
  }
}

// A speed button configured without an address opens the one the user gave
// it, and does nothing again once reset.
TEST_F(CommandsTest, ASpeedButtonWithoutAConfiguredAddressOpensTheUsersOwn) {
  WriteConfig("[Toolbar Items]\r\nSpeedBtn1=\r\n[SpeedBtn1]\r\nCaption=Speed\r\nTag=111\r\n"
              "Parent=Toolbar\r\n");
  const struct {
    const char* what;
    std::function<void()> give;
  } cases[] = {
      {"restored", [&] { registry.PutText(RegRoot::LocalMachine, kBandKey, "SpeedBtn1",
                                          "http://kept.example/"); Open(); }},
      {"edited", [&] { Open(); ui.input_answer = "http://kept.example/"; Click("miSpeedBtn1"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry.DeleteTree(RegRoot::LocalMachine, kBandKey);
    c.give();
    host->log.clear();
    Click("SpeedBtn1");
    EXPECT_THAT(host->log, ElementsAre("navigate http://kept.example/"));
    ui.answer = kIdYes;
    Click("miReset");
    host->log.clear();
    Click("SpeedBtn1");
    EXPECT_THAT(host->log, IsEmpty());
  }
}

TEST_F(CommandsTest, RefusedWriteLeavesTheNewAddressWithoutTooltipAndSaysWhy) {
  registry.refuse_writes.insert(LowerCase(kBandKey));
  registry.refuse_code = kErrorKeyDeleted;
  ui.input_answer = "http://mine.example/";
  Click("miSpeedBtn1");
  EXPECT_EQ(Item("SpeedBtn1").Hint, "http://mine.example/");
  EXPECT_EQ(Item("SpeedBtn1").ImageIndex, 11);
  EXPECT_FALSE(Item("SpeedBtn1").Options.Contains(tboShowHint));
  EXPECT_THAT(Messages(), ElementsAre("Failed to set data for 'SpeedBtn1'"));
  EXPECT_EQ(ui.shown[0].caption, "My Bar");
  EXPECT_EQ(ui.shown[0].style, kMbOk | kMbIconError);
  EXPECT_EQ(view.changed_items.back(), "SpeedBtn1");
}

TEST_F(CommandsTest, ResetAfterConfirmationGoesBackToTheConfiguredButton) {
  ui.input_answer = "http://mine.example/";
  Click("miSpeedBtn1");
  ui.answer = kIdNo;
  Click("miReset");
  EXPECT_EQ(Item("SpeedBtn1").Hint, "http://mine.example/");
  ui.answer = kIdYes;
  Click("miReset");
  EXPECT_EQ(ui.shown[1].text,
            "Are you sure you want to reset Speed Buttons to their default values?");
  EXPECT_EQ(ui.shown[1].style, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(Item("SpeedBtn1").Hint, "http://speed.example/");
  EXPECT_EQ(Item("SpeedBtn1").ImageIndex, 1);
  EXPECT_FALSE(Item("SpeedBtn1").Options.Contains(tboShowHint));
  EXPECT_EQ(Stored("SpeedBtn1"), "");
}

TEST_F(CommandsTest, CloseAsksTheBrowserToHideTheBandOrGreysOutWithoutOne) {
  Click("miClose");
  EXPECT_THAT(host->log, ElementsAre("show bar {239C3CF1-51CD-435E-8519-61775A6780CF} false 0"));
  host->fail = "Unspecified error";
  Click("miClose");
  EXPECT_THAT(Messages(), ElementsAre("Unspecified error."));
  Open(false);
  Click("miClose");
  EXPECT_FALSE(form->miClose->Enabled);
  Click("miClose");
  EXPECT_EQ(host->log.size(), 2u);
}

TEST_F(CommandsTest, BannerOpensTheHomePageAndNavigationErrorsAreShown) {
  form->Click(*form->Image);
  host->fail = "The browser is busy";
  Click("Home");
  EXPECT_THAT(host->log,
              ElementsAre("navigate http://www.home.example/", "navigate http://start.example/"));
  EXPECT_THAT(Messages(), ElementsAre("The browser is busy."));
}

TEST_F(CommandsTest, WithoutHostingBrowserAddressesOpenInABrowserOfTheWindowsOwn) {
  Open(false);
  Click("Home");
  Click("Home");
  desktop.frame = 7;
  Click("Home");
  EXPECT_THAT(
      desktop.log,
      ElementsAre("create", "browser1.visible true", "browser1.navigate http://start.example/",
                  "find frame", "hyperlink http://start.example/", "find frame",
                  "browser1.visible true", "browser1.navigate http://start.example/", "front 7"));
}

// A search type without URL cannot be chosen: its click does nothing, so
// the menu's check mark stays on the type the search button searches with.
TEST_F(CommandsTest, SearchTypeWithoutAddressTakesNoCheckMark) {
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nBlank=\r\n"
      "[miSearch]\r\nCaption=Find\r\nParent=Toolbar\r\nCount=2\r\n"
      "[Web]\r\nCaption=Web\r\nTag=1\r\nGroupIndex=1\r\nParent=miSearch\r\n"
      "URL=http://web.example/?q=[SEARCH]\r\n"
      "[Blank]\r\nCaption=Blank\r\nTag=2\r\nGroupIndex=1\r\nParent=miSearch\r\n");
  registry.PutText(RegRoot::LocalMachine, kBandKey, "Search Type", "1");
  Open();
  ASSERT_TRUE(Item("Web").Checked());
  Click("Blank");
  EXPECT_EQ(form->SearchItem->Caption, "Web");
  EXPECT_EQ(form->CurrentSearchURL(), "http://web.example/?q=[SEARCH]");
  EXPECT_TRUE(Item("Web").Checked()) << "the type still searched with lost its mark";
  EXPECT_FALSE(Item("Blank").Checked()) << "a type that cannot be chosen shows as chosen";
}

// Without a hosting browser (the band in the taskbar), a mail address goes
// to the user's mail program; no empty browser window is left behind for it.
TEST_F(CommandsTest, SupportMailWithoutHostingBrowserStartsNoBrowserWindow) {
  WriteConfig("");
  Open(false);
  Click("miSupport");
  EXPECT_THAT(desktop.log, ElementsAre("hyperlink mailto:help@home.example"));
}

// Two browser windows: the search type chosen in one is what the next window
// brings back, also when the other window, where nothing was chosen, closes
// after it.
TEST_F(CommandsTest, ASearchTypeChosenInOneWindowSurvivesAnotherWindowsClosing) {
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\n"
      "[miSearch]\r\nCaption=Find\r\nParent=Toolbar\r\nCount=2\r\n"
      "[Web]\r\nCaption=Web\r\nTag=1\r\nGroupIndex=1\r\nParent=miSearch\r\n"
      "URL=http://web.example/?q=[SEARCH]\r\n"
      "[News]\r\nCaption=News\r\nTag=2\r\nGroupIndex=1\r\nParent=miSearch\r\n"
      "URL=http://news.example/?q=[SEARCH]\r\n");
  registry.PutText(RegRoot::LocalMachine, kBandKey, "Search Type", "1");
  fakes::FakeToolbarView first_view;
  TToolbarForm first(platform, first_view);
  first.FormCreate();
  Open();
  Click("News");
  form->FormDestroy();
  ASSERT_EQ(Stored("Search Type"), "2");
  first.FormDestroy();
  EXPECT_EQ(Stored("Search Type"), "2") << "the choice was undone by a window that made none";
  Open();
  EXPECT_EQ(form->SearchItem->Caption, "News");
}

}  // namespace
}  // namespace pq
