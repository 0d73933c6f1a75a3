// The toolbar built from a configuration file in a real directory, with the
// state of the last window in the real registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "config/toolbar_config.h"
#include "fakes/fake_toolbar_view.h"
#include "support/scratch_key.h"
#include "toolbar/toolbar_form.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"

namespace pq {
namespace {

TEST(BuildToolbarOnWindows, ItemsFileBannerAndLastStateComeFromTheInstallation) {
  testing::ScratchDir dir;
  testing::ScratchKey key;
  ToolbarConfig.InstallPath = dir.path();
  ToolbarConfig.ToolbarFile = "My Bar";
  ToolbarConfig.BandKeyPath = key.path();
  ToolbarConfig.SearchUrl = kDefaultSearchUrl;
  std::ofstream(dir.File("My Bar.ini"), std::ios::binary)
      << "[Options]\r\nToolbar Name=My Bar\r\n"
         "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\n"
         "[miSearch]\r\nCaption=Find\r\nParent=Toolbar\r\nCount=1\r\n"
         "[Web]\r\nCaption=Web\r\nTag=1\r\nGroupIndex=1\r\nURL=http://web.example/?q=[SEARCH]\r\n"
         "Parent=miSearch\r\n"
         "[News]\r\nCaption=News\r\nTag=2\r\nGroupIndex=1\r\nURL=http://news.example/"
         "?q=[SEARCH]\r\n"
         "Parent=miSearch\r\n";
  std::ofstream(dir.File("My Bar.bmp"), std::ios::binary) << "BM";
  HKEY handle = key.Open();
  RegSetValueExA(handle, "Search Type", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2);
  RegSetValueExA(handle, "Search", 0, REG_SZ, reinterpret_cast<const BYTE*>("fjords"), 7);
  RegCloseKey(handle);

  win32::Win32Registry registry;
  win32::Win32SystemMessages messages;
  Platform platform;
  platform.registry = &registry;
  platform.messages = &messages;
  fakes::FakeToolbarView view;
  TToolbarForm form(platform, view);
  form.BuildToolbar();

  EXPECT_EQ(view.banner, dir.path() + "\\My Bar.bmp");
  ASSERT_NE(form.SearchItem, nullptr);
  EXPECT_EQ(form.SearchItem->Items().size(), 2u);
  EXPECT_EQ(form.SearchItem->Caption, "News");
  EXPECT_EQ(form.CurrentSearchURL(), "http://news.example/?q=[SEARCH]");
  ASSERT_EQ(view.search_texts.size(), 1u);
  EXPECT_EQ(view.search_texts[0], "fjords");
  ClearToolbarConfig();
}

}  // namespace
}  // namespace pq
