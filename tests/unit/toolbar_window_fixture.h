#pragma once
// A toolbar window as a user meets it: built from a configuration file in a
// scratch directory, shown through a fake view, hosted by a fake browser,
// with fakes of the registry, the dialogs and the desktop.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_toolbar_view.h"
#include "toolbar/toolbar_form.h"
#include "whole_files.h"

namespace pq {

class ToolbarWindowTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  static inline const std::string kBandKey = std::string(kExplorerBarsKey) + "\\" + kBandClassId;

  ToolbarWindowTest() {
    std::filesystem::create_directories(root_.path() / "install");
    ToolbarConfigRecord& config = ToolbarConfig;
    config.BandClassId = kBandClassId;
    config.BandKeyPath = kBandKey;
    // File names are composed with "\", an ordinary character here: the
    // files stand beside the install directory.
    config.InstallPath = (root_.path() / "install").string();
    config.ToolbarFile = "MyBar";
    config.ToolbarName = "My Bar";
    config.CompanyName = "Pendleworth, Inc.";
    config.HomePageUrl = "http://www.home.example/";
    config.ContactEmail = "mailto:help@home.example";
    config.SearchUrl = "http://find.example/s?q=[SEARCH]";
    config.CopyrightText = "Copyright (C) 2003-2024 pelliquester.example";
    config.DefaultSpeedCount = 1;
    config.DefaultSpeedUrls[1] = "www.home.example";
    config.DefaultSpeedImages[1] = 1;
    registry.PutText(RegRoot::LocalMachine, kBandKey, "InstallPath", config.InstallPath);
  }
  ~ToolbarWindowTest() override { ClearToolbarConfig(); }

  static void WriteConfig(const std::string& items) {
    WriteFile(ConfigFilePath(), "[Options]\r\nToolbar Name=My Bar\r\n" + items);
  }
  // The history file is UTF-8 after a byte-order mark.
  static inline const std::string kHistoryMark = "\xEF\xBB\xBF";
  static std::string HistoryPath() { return ToolbarConfig.InstallPath + "\\My Bar.txt"; }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    testing::WriteAll(path, bytes);
  }
  static std::string ReadFile(const std::string& path) { return testing::ReadAll(path); }

  // Creates the window as the band does: creation first, the browser after.
  TToolbarForm& Open(bool hosted = true) {
    form = std::make_unique<TToolbarForm>(platform, view);
    form->FormCreate();
    if (hosted) form->HostBrowser = host;
    return *form;
  }
  TTBCustomItem& Item(const std::string& name) {
    auto* item = dynamic_cast<TTBCustomItem*>(form->FindComponent(name));
    if (!item) throw std::runtime_error("no item " + name);
    return *item;
  }
  void Click(const std::string& name) { form->Click(*form->FindComponent(name)); }
  void Search(const std::string& text) {
    view.search_text = text;
    char key = '\r';
    form->SearchBoxKeyPress(key);
  }
  std::string Stored(const std::string& name, RegRoot root = RegRoot::LocalMachine) {
    const fakes::FakeValue* value = registry.Find(root, kBandKey, name);
    return value ? value->data : "<none>";
  }
  // The texts of the message boxes shown so far.
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : ui.shown) texts.push_back(shown.text);
    return texts;
  }

  fakes::ScratchDir root_{"pq-window"};
  fakes::FakeToolbarView view;
  std::shared_ptr<fakes::FakeHostBrowser> host = std::make_shared<fakes::FakeHostBrowser>();
  std::unique_ptr<TToolbarForm> form;
};

}  // namespace pq
