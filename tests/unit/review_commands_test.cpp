// Scratch reproductions of faults in the toolbar's commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ReviewCommandsTest : public ToolbarWindowTest {};

// A search type without URL cannot be chosen: its click does nothing, so
// the menu's check mark stays on the type the search button searches with.
TEST_F(ReviewCommandsTest, SearchTypeWithoutAddressTakesNoCheckMark) {
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
TEST_F(ReviewCommandsTest, SupportMailWithoutHostingBrowserStartsNoBrowserWindow) {
  WriteConfig("");
  Open(false);
  Click("miSupport");
  EXPECT_THAT(desktop.log, ElementsAre("hyperlink mailto:help@home.example"));
}

// Two browser windows: the search type chosen in one is what the next window
// brings back, also when the other window, where nothing was chosen, closes
// after it.
TEST_F(ReviewCommandsTest, ASearchTypeChosenInOneWindowSurvivesAnotherWindowsClosing) {
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
