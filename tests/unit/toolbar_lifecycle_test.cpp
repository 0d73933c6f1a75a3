// The toolbar window's life: start-up, the animated banner, showing, sizing,
// the status bar, closing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/date_time.h"
#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LifecycleTest : public ToolbarWindowTest {};

TEST_F(LifecycleTest, StartUpNamesTheWindowAndShowsTheHistory) {
  WriteConfig("[Toolbar Items]\r\n");
  WriteFile(HistoryPath(), "zebra\r\napple\r\nApple\r\n");
  Open();
  EXPECT_EQ(view.caption, "My Bar");
  EXPECT_THAT(view.search_list, ElementsAre("apple", "zebra"));
  EXPECT_EQ(form->HistoryFileName(), HistoryPath());
  EXPECT_TRUE(form->miClearSearches->Enabled);
  EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(LifecycleTest, HistoryLivesBesideTheProgramWhenTheInstallationNamesNoFolder) {
  registry.PutText(RegRoot::LocalMachine, kBandKey, "InstallPath", "");
  desktop.program_directory = root_.path().string() + "/program\\";
  Open();
  EXPECT_EQ(form->HistoryFileName(), root_.path().string() + "/program\\\\My Bar.txt");
}

TEST_F(LifecycleTest, AnErrorEndsTheStartUpStepsButNotTheWindow) {
  WriteConfig("[Toolbar Items]\r\n1st=\r\n[1st]\r\nParent=Toolbar\r\n");
  WriteFile(HistoryPath(), "kept\r\n");
  registry.PutText(RegRoot::LocalMachine, kBandKey, "Search", "old text");
  Open();
  EXPECT_THAT(Messages(), ElementsAre("''1st'' is not a valid component name."));
  EXPECT_EQ(view.caption, "");
  EXPECT_THAT(view.search_list, IsEmpty());
  EXPECT_EQ(form->SearchItem, nullptr);
  // What needs the history is grey; searching still works, without it.
  EXPECT_FALSE(form->miClearSearches->Enabled);
  EXPECT_TRUE(form->miSaveSearches->Enabled);
  Search("no history");
  Click("miClearSearches");
  EXPECT_THAT(host->log, ElementsAre("navigate http://find.example/s?q=no+history"));
  EXPECT_EQ(ReadFile(HistoryPath()), "kept\r\n");
  // Nothing was restored, so nothing is saved over the last window's state.
  form->FormDestroy();
  EXPECT_EQ(Stored("Search"), "old text");
  EXPECT_EQ(Stored("Search Type"), "<none>");
}

struct BannerCase {
  const char* name;
  bool player_file;
  std::string flash_url;
  uint32_t offline;
  bool player_refused;
  std::vector<std::string> player;
  std::vector<std::string> messages;
};

TEST_F(LifecycleTest, AnimatedBannerStartsHiddenAndLoadsOnlyOnline) {
  const std::vector<std::string> prepared = {"stop", "bounds 0,0 105x22", "tab 0", "hide"};
  std::vector<std::string> online = prepared;
  online.push_back("movie http://media.example/b.swf");
  const BannerCase cases[] = {
      {"online", true, "http://media.example/b.swf", 0, false, online, {}},
      {"offline", true, "http://media.example/b.swf", 12029, false, prepared, {}},
      {"no movie", true, "", 0, false, {}, {}},
      {"no player", false, "http://media.example/b.swf", 0, false, {}, {}},
      {"player refused", true, "x", 0, true, {}, {"Class not registered."}},
  };
  const std::string windows = root_.path().string() + "/windows";
  std::filesystem::create_directories(windows);
  desktop.windows_directory = windows;
  for (const BannerCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(windows + "\\system32\\Macromed\\Flash\\swflash.ocx");
    if (c.player_file) WriteFile(windows + "\\system32\\Macromed\\Flash\\swflash.ocx", "");
    ToolbarConfig.FlashUrl = c.flash_url;
    internet.connect_error = c.offline;
    view.refuse_player =
        c.player_refused ? std::optional<std::string>("Class not registered") : std::nullopt;
    view.player_log.clear();
    ui.shown.clear();
    Open();
    EXPECT_EQ(view.player_log, c.player);
    EXPECT_EQ(Messages(), c.messages);
    // A refused player ends the start-up before the history.
    EXPECT_EQ(form->HistoryList() == nullptr, c.player_refused);
  }
}

TEST_F(LifecycleTest, AnimationPlaysUnlessAMovieCanTakeThePlace) {
  struct Case {
    const char* name;
    std::string flash_url;
    uint32_t offline;
    const char* animation;  // the configured name
    bool file;              // the file stands in the install directory
    bool refused;           // the view cannot play it
    bool played;
    bool movie;  // the player was prepared
  };
  const Case cases[] = {
      {"animation alone", "", 0, "banner.gif", true, false, true, false},
      {"refused by the view", "", 0, "banner.gif", true, true, true, false},
      {"no such file", "", 0, "banner.gif", false, false, false, false},
      {"more than a file name", "", 0, "..\\banner.gif", true, false, false, false},
      {"movie online wins", "http://media.example/b.swf", 0, "banner.gif", true, false, false,
       true},
      {"movie offline yields", "http://media.example/b.swf", 12029, "banner.gif", true, false, true,
       false},
      {"movie offline without an animation", "http://media.example/b.swf", 12029, "", false, false,
       false, true},
  };
  const std::string windows = root_.path().string() + "/windows";
  std::filesystem::create_directories(windows);
  WriteFile(windows + "\\System\\Macromed\\flash.ocx", "");
  desktop.windows_directory = windows;
  const std::string gif = ToolbarConfig.InstallPath + "\\banner.gif";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(gif);
    if (c.file) WriteFile(gif, "GIF89a");
    ToolbarConfig.FlashUrl = c.flash_url;
    ToolbarConfig.BannerAnimation = c.animation;
    internet.connect_error = c.offline;
    view.refuse_animation = c.refused;
    view.animation_files.clear();
    view.player_log.clear();
    Open();
    EXPECT_EQ(view.animation_files,
              c.played ? std::vector<std::string>{gif} : std::vector<std::string>{});
    EXPECT_EQ(form->FlashBanner() != nullptr, c.movie);
    // The still picture stays in every case until a movie is complete.
    EXPECT_TRUE(view.banner_visible);
    EXPECT_THAT(Messages(), IsEmpty());
  }
}

TEST_F(LifecycleTest, CompleteMovieReplacesThePicture) {
  const std::string windows = root_.path().string() + "/windows";
  std::filesystem::create_directories(windows);
  WriteFile(windows + "\\System\\Macromed\\flash.ocx", "");
  desktop.windows_directory = windows;
  ToolbarConfig.FlashUrl = "http://media.example/b.swf";
  Open();
  ASSERT_NE(form->FlashBanner(), nullptr);
  view.player_log.clear();
  fakes::FakeFlashPlayer stranger(view.player_log);
  form->FlashBanner()->OnReadyStateChange(stranger, 4);
  form->FlashBanner()->OnReadyStateChange(*form->FlashBanner(), 3);
  EXPECT_TRUE(view.banner_visible);
  EXPECT_THAT(view.player_log, IsEmpty());
  form->FlashBanner()->OnReadyStateChange(*form->FlashBanner(), 4);
  EXPECT_FALSE(view.banner_visible);
  EXPECT_THAT(view.player_log, ElementsAre("show", "play"));
}

struct DateCase {
  const char* stored;  // as text in the user's short date format; "" for none
  const char* after;
};

TEST_F(LifecycleTest, ShowingKeepsTheDateOfTheLastShowing) {
  clock.today = *TryEncodeDate(2024, 5, 17);
  const DateCase cases[] = {
      {"", "5/17/2024"},          {"not a date", "5/17/2024"}, {"5/16/2024", "5/17/2024"},
      {"5/17/2024", "5/17/2024"}, {"5/18/2024", "5/18/2024"},  {"5/19/2024", "5/17/2024"},
      {"1/1/1999", "5/17/2024"},
  };
  Open();
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.stored);
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Date", c.stored);
    form->FormShow();
    EXPECT_EQ(Stored("Date"), c.after);
  }
  // An unreadable date is taken as yesterday, which is then written first.
  registry.refuse_writes.insert(LowerCase(kBandKey));
  registry.refuse_code = kErrorKeyDeleted;
  registry.PutText(RegRoot::LocalMachine, kBandKey, "Date", "???");
  form->FormShow();
  EXPECT_THAT(Messages(), ElementsAre("Failed to set data for 'Date'"));
}

TEST_F(LifecycleTest, WidthFollowsTheBrowserButNeverBelowTheLeast) {
  const std::pair<int32_t, std::optional<int32_t>> cases[] = {
      {1000, 980}, {160, std::nullopt}, {161, 141}, {885, std::nullopt}};
  Open();
  view.width = 865;
  for (const auto& [browser, expected] : cases) {
    SCOPED_TRACE(browser);
    host->width = browser;
    int32_t width = 700, height = 26;
    EXPECT_EQ(form->FormCanResize(width, height), expected.has_value());
    EXPECT_EQ(width, expected.value_or(700));
    EXPECT_EQ(height, 26);
  }
  form->HostBrowser = nullptr;
  int32_t width = 50, height = 26;
  EXPECT_TRUE(form->FormCanResize(width, height));
  EXPECT_EQ(width, 50);
}

TEST_F(LifecycleTest, StatusBarShowsTheCaptionUnderTheMouseOnceEach) {
  WriteConfig("[Toolbar Items]\r\nHome=\r\n[Home]\r\nCaption=Home\r\nParent=Toolbar\r\n");
  Open();
  view.item_at_x[300] = &Item("Home");
  view.item_at_x[400] = form->SearchItem;
  for (int32_t x : {300, 300, 400, 10, 11, 300}) form->ToolbarMouseMove(0, x, 5);
  EXPECT_THAT(host->log,
              ElementsAre("status Home", "status Search", "status ", "status ", "status Home"));
  form->HostBrowser = nullptr;
  form->ToolbarMouseMove(0, 400, 5);
  EXPECT_EQ(host->log.size(), 5u);
}

TEST_F(LifecycleTest, ClosingSavesTheSearchTypeAndText) {
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\nNews=\r\n[miSearch]\r\nParent=Toolbar\r\nCount=1\r\n"
      "[News]\r\nTag=3\r\nParent=miSearch\r\nURL=http://news.example/?q=[SEARCH]\r\n");
  registry.PutText(RegRoot::LocalMachine, kBandKey, "Search Type", "0");
  Open();
  view.search_text = "typed";
  form->FormDestroy();
  EXPECT_EQ(Stored("Search Type"), "0");
  EXPECT_EQ(Stored("Search"), "typed");
  Open();
  Click("News");
  view.search_text = "";
  form->FormDestroy();
  EXPECT_EQ(Stored("Search Type"), "3");
  EXPECT_EQ(Stored("Search"), "");
}

}  // namespace
}  // namespace pq
