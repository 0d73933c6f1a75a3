// The About box's content: the configuration's texts, the installation's
// notice and banner, and what a click on the address does.
#include "nav/about_box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;

class AboutBoxTest : public ToolbarWindowTest {};

TEST_F(AboutBoxTest, TextsComeFromTheConfigurationAndFilesFromTheInstallation) {
  WriteFile(ToolbarConfig.InstallPath + "\\Copyrights.txt", "First line\r\n\r\nThird\n");
  WriteFile(BannerFilePath(), "BM");
  ui.click_about_link = true;
  ShowAboutBox(platform, false);
  ASSERT_EQ(ui.about_boxes.size(), 1u);
  const AboutBoxContent& shown = ui.about_boxes[0];
  EXPECT_EQ(shown.Caption, "About My Bar");
  EXPECT_EQ(shown.Version, "My Bar");
  EXPECT_EQ(shown.Copyright, "Copyright (C) 2024 Pendleworth, Inc.");
  EXPECT_EQ(shown.Url, "http://www.home.example/");
  EXPECT_EQ(shown.Preparer, "Copyright (C) 2003-2024 pelliquester.example");
  EXPECT_THAT(*shown.NoticeLines, ElementsAre("First line", "", "Third"));
  EXPECT_EQ(shown.BannerFile, BannerFilePath());
  EXPECT_FALSE(shown.Timed);
  EXPECT_THAT(desktop.log, ElementsAre("shell http://www.home.example/"));
}

// The main menu shows it modally, with its close button; shown timed, and
// without the installation's files, the built-in ones stay.
TEST_F(AboutBoxTest, MainMenuShowsItModallyAndWithoutTheInstallationsFilesTheBuiltInOnesStay) {
  Open();
  Click("miAbout");
  ShowAboutBox(platform, true);
  ASSERT_EQ(ui.about_boxes.size(), 2u);
  EXPECT_FALSE(ui.about_boxes[0].Timed);
  EXPECT_TRUE(ui.about_boxes[1].Timed);
  EXPECT_FALSE(ui.about_boxes[1].NoticeLines.has_value());
  EXPECT_EQ(ui.about_boxes[1].BannerFile, "");
}

TEST_F(AboutBoxTest, UnreadableNoticeIsReportedAndTheBoxOpensWithTheTextsSoFar) {
  std::filesystem::create_directory(ToolbarConfig.InstallPath + "\\Copyrights.txt");
  WriteFile(BannerFilePath(), "BM");
  ShowAboutBox(platform, false);
  EXPECT_THAT(Messages(),
              ElementsAre("Cannot open file " + ToolbarConfig.InstallPath + "\\Copyrights.txt."));
  ASSERT_EQ(ui.about_boxes.size(), 1u);
  EXPECT_EQ(ui.about_boxes[0].Url, "http://www.home.example/");
  EXPECT_EQ(ui.about_boxes[0].BannerFile, "");
}

TEST_F(AboutBoxTest, LinkOpensOnlyWebAndMailAddresses) {
  const std::pair<const char*, bool> cases[] = {
      {"http://www.home.example/", true},
      {"HTTPS://secure.example/", true},
      {"mailto:help@home.example", true},
      {"C:\\Windows\\system32\\calc.exe", false},
      {"\\\\host\\share\\tool.exe", false},
      {"file:///C:/Windows/notepad.exe", false},
      {"javascript:alert(1)", false},
      {" http://padded.example/", false},
      {"", false},
  };
  ui.click_about_link = true;
  for (const auto& [address, opened] : cases) {
    SCOPED_TRACE(address);
    ToolbarConfig.HomePageUrl = address;
    desktop.log.clear();
    ShowAboutBox(platform, false);
    EXPECT_EQ(desktop.log.size(), opened ? 1u : 0u);
  }
}

}  // namespace
}  // namespace pq
