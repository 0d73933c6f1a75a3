// Loading the toolbar configuration and refreshing it from the update address,
// against real files in a scratch directory and fakes of everything else.
#include "config/toolbar_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/band_identity.h"
#include "fakes/fake_platform.h"
#include "fakes/forwarding_file_system.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "update_texts.h"
#include "whole_files.h"

namespace pq {
namespace {

namespace fs = std::filesystem;
using fakes::FakeResponse;

const std::string kBandKey = std::string(kExplorerBarsKey) + "\\" + kBandClassId;
using testing::kConfigError;
using testing::kNewConfig;
using testing::kOldConfig;
using testing::kUpdateAddress;
using testing::kUpdates;

using testing::ReadAll;
using testing::WriteAll;

bool Exists(const std::string& path) { return fs::exists(path); }

FakeResponse Body(const std::string& body) {
  FakeResponse response;
  response.body = body;
  response.announced = body.size();
  return response;
}

// The process's file system with operations that can be made to fail, and a
// record of the moves made.
class ScriptedFileSystem : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  bool Exists(const std::string& path) override { return path == unreadable || real_.Exists(path); }
  bool Rename(const std::string& from, const std::string& to) override {
    moves.push_back("rename " + from + " -> " + to);
    return real_.Rename(from, to);
  }
  bool Replace(const std::string& from, const std::string& to) override {
    moves.push_back("replace " + from + " -> " + to);
    if (to == refused_target && refusals_left > 0) {
      --refusals_left;
      return false;
    }
    return !fail_replace && real_.Replace(from, to);
  }
  bool Copy(const std::string& from, const std::string& to) override {
    return !fail_copy && real_.Copy(from, to);
  }

  bool fail_replace = false;
  bool fail_copy = false;
  // Refuses this many replacements of this file first, as while a reader holds it.
  std::string refused_target;
  int refusals_left = 0;
  // Said to exist, but nothing stands there to be opened.
  std::string unreadable;
  std::vector<std::string> moves;
};

class ToolbarConfigTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  ToolbarConfigTest() { fs::create_directories(root_.path() / "install"); }
  ~ToolbarConfigTest() override {
    ClearToolbarConfig();
    InstallFileSystem(nullptr);
  }

  // Where the installation put its files. File names are composed with "\",
  // which is an ordinary character here: the files stand beside this directory
  // inside the scratch root.
  std::string InstallDir() const { return (root_.path() / "install").string(); }

  void RegisterInstallation(const std::string& file = "MyBar") {
    registry.PutText(RegRoot::LocalMachine, kBandKey, "InstallPath", InstallDir());
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Toolbar Name", "My Bar");
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Toolbar File", file);
  }

  fakes::ScratchDir root_{"pq-config"};
};

// ---------------------------------------------------------------------------
// Loading

TEST_F(ToolbarConfigTest, LoadTakesInstallationFromRegistryAndOptionsFromTheFile) {
  RegisterInstallation();
  WriteAll(
      InstallDir() + "\\MyBar.ini",
      "[Options]\r\nToolbar Name=Ignored\r\nCompany Name=Acme Bars\r\n"
      "Home Page URL=http://www.acme.example.org/\r\nContact E-Mail=mailto:help@acme.example\r\n"
      "Flash URL=http://www.acme.example.org/banner.swf\r\n"
      "Search URL=http://find.example.org/?q=[SEARCH]\r\n"
      "Updates URL=http://www.acme.example.org/bar\r\n");

  LoadToolbarConfig(platform);

  EXPECT_EQ(ToolbarConfig.BandClassId, kBandClassId);
  EXPECT_EQ(ToolbarConfig.BandKeyPath, kBandKey);
  EXPECT_EQ(ToolbarConfig.InstallPath, InstallDir());
  EXPECT_EQ(ToolbarConfig.ToolbarName, "My Bar") << "the name comes from the registry only";
  EXPECT_EQ(ToolbarConfig.ToolbarFile, "MyBar");
  EXPECT_EQ(ToolbarConfig.CompanyName, "Acme Bars");
  EXPECT_EQ(ToolbarConfig.HomePageUrl, "http://www.acme.example.org/");
  EXPECT_EQ(ToolbarConfig.ContactEmail, "mailto:help@acme.example");
  EXPECT_EQ(ToolbarConfig.FlashUrl, "http://www.acme.example.org/banner.swf");
  EXPECT_EQ(ToolbarConfig.SearchUrl, "http://find.example.org/?q=[SEARCH]");
  EXPECT_EQ(ToolbarConfig.UpdatesUrl, "http://www.acme.example.org/bar");
  EXPECT_EQ(ToolbarConfig.CopyrightText, "Copyright (C) 2003-2024 pelliquester.example.com");
  EXPECT_EQ(ToolbarConfig.DefaultSpeedCount, 1);
  EXPECT_EQ(ToolbarConfig.DefaultSpeedUrls[1], kCompanyHost);
  EXPECT_EQ(ToolbarConfig.DefaultSpeedImages[1], 1);
  EXPECT_EQ(ToolbarConfig.DefaultSpeedUrls[2], "");
  EXPECT_EQ(ToolbarConfig.DefaultSpeedImages[255], 0);
}

TEST_F(ToolbarConfigTest, MissingConfigurationFileGivesEveryDefault) {
  RegisterInstallation();

  LoadToolbarConfig(platform);

  EXPECT_EQ(ToolbarConfig.CompanyName, "Pendleworth, Inc.");
  EXPECT_EQ(ToolbarConfig.HomePageUrl, kDefaultHomePageUrl);
  EXPECT_EQ(ToolbarConfig.ContactEmail, kDefaultContactEmail);
  EXPECT_EQ(ToolbarConfig.SearchUrl, kDefaultSearchUrl);
  EXPECT_EQ(ToolbarConfig.FlashUrl, "");
  EXPECT_EQ(ToolbarConfig.UpdatesUrl, "") << "updating is off";
}

// A configuration held open by another program: the load fails as a whole,
// whether nothing or an earlier configuration was in force.
TEST_F(ToolbarConfigTest, UnreadableConfigurationFailsTheLoadAndLeavesTheRecordAsItWas) {
  for (const bool loaded_before : {false, true}) {
    SCOPED_TRACE(loaded_before ? "after a load" : "before any load");
    ClearToolbarConfig();
    if (loaded_before) {
      registry.PutText(RegRoot::LocalMachine, kBandKey, "Toolbar Name", "Earlier Bar");
      LoadToolbarConfig(platform);
    }
    const ToolbarConfigRecord before = ToolbarConfig;
    RegisterInstallation();
    ScriptedFileSystem files(Files());
    files.unreadable = InstallDir() + "\\MyBar.ini";
    InstallFileSystem(&files);

    EXPECT_THROW(LoadToolbarConfig(platform), InOutError);

    InstallFileSystem(nullptr);
    EXPECT_EQ(ToolbarConfig.BandClassId, before.BandClassId);
    EXPECT_EQ(ToolbarConfig.ToolbarName, before.ToolbarName);
    EXPECT_EQ(ToolbarConfig.InstallPath, before.InstallPath);
    EXPECT_EQ(ToolbarConfig.ToolbarFile, before.ToolbarFile);
    EXPECT_EQ(ToolbarConfig.CompanyName, before.CompanyName);
    EXPECT_EQ(ToolbarConfig.CopyrightText, before.CopyrightText);
    EXPECT_EQ(ToolbarConfig.DefaultSpeedCount, before.DefaultSpeedCount);
    EXPECT_EQ(ToolbarConfig.DefaultSpeedUrls[1], before.DefaultSpeedUrls[1]);
  }
}

TEST_F(ToolbarConfigTest, DefaultsHaveTheFormsTheirUsersExpect) {
  EXPECT_EQ(std::string(kDefaultHomePageUrl).rfind("http://www.", 0), 0u);
  EXPECT_EQ(std::string(kDefaultContactEmail).rfind("mailto:", 0), 0u);
  const std::string search = kDefaultSearchUrl;
  EXPECT_EQ(search.rfind("http://www.", 0), 0u);
  EXPECT_EQ(search.substr(search.find('/', 7)), "/search?q=[SEARCH]");
  EXPECT_EQ(std::string(kCompanyHost).rfind("www.", 0), 0u);
  EXPECT_EQ(std::string(kCompanyHost).find("://"), std::string::npos);
}

TEST_F(ToolbarConfigTest, SectionWithoutTheKeysGivesDefaultsButEmptyValuesStayEmpty) {
  RegisterInstallation();
  WriteAll(InstallDir() + "\\MyBar.ini",
           "[Options]\r\nCompany Name=\r\nHome Page URL=\r\nContact E-Mail=\r\n"
           "[Other]\r\nSearch URL=http://elsewhere.example/\r\n");

  LoadToolbarConfig(platform);

  EXPECT_EQ(ToolbarConfig.CompanyName, "");
  EXPECT_EQ(ToolbarConfig.HomePageUrl, "");
  EXPECT_EQ(ToolbarConfig.ContactEmail, "");
  EXPECT_EQ(ToolbarConfig.SearchUrl, kDefaultSearchUrl) << "keys count only in [Options]";
}

TEST_F(ToolbarConfigTest, IntegerTypedToolbarFileNamesTheFileByItsDecimalText) {
  RegisterInstallation();
  registry.Put(RegRoot::LocalMachine, kBandKey, "Toolbar File", RegType::Dword,
               std::string("\x2A\0\0\0", 4));
  WriteAll(InstallDir() + "\\42.ini", "[Options]\r\nCompany Name=Forty-Two\r\n");

  LoadToolbarConfig(platform);

  EXPECT_EQ(ToolbarConfig.ToolbarFile, "42");
  EXPECT_EQ(ConfigFilePath(), InstallDir() + "\\42.ini");
  EXPECT_EQ(ToolbarConfig.CompanyName, "Forty-Two");
}

TEST_F(ToolbarConfigTest, MissingRegistryValuesLeaveTheRootDirectoryPath) {
  LoadToolbarConfig(platform);

  EXPECT_EQ(ToolbarConfig.InstallPath, "");
  EXPECT_EQ(ToolbarConfig.ToolbarName, "");
  EXPECT_EQ(ConfigFilePath(), "\\.ini");
  EXPECT_EQ(ToolbarConfig.CompanyName, "Pendleworth, Inc.");
}

TEST_F(ToolbarConfigTest, CopyrightYearIsTheLoadYearInFourDigits) {
  clock.today = TryEncodeDate(987, 12, 31).value();
  LoadToolbarConfig(platform);
  EXPECT_EQ(ToolbarConfig.CopyrightText, "Copyright (C) 2003-0987 pelliquester.example.com");
}

TEST_F(ToolbarConfigTest, ClearEmptiesTheRecord) {
  RegisterInstallation();
  LoadToolbarConfig(platform);

  ClearToolbarConfig();

  EXPECT_EQ(ToolbarConfig.BandClassId, "");
  EXPECT_EQ(ToolbarConfig.InstallPath, "");
  EXPECT_EQ(ToolbarConfig.CompanyName, "");
  EXPECT_EQ(ToolbarConfig.CopyrightText, "");
  EXPECT_EQ(ToolbarConfig.DefaultSpeedUrls[1], "");
}

TEST_F(ToolbarConfigTest, SideFileNamesAreComposedWithoutNormalising) {
  ToolbarConfig.InstallPath = "C:\\Program Files\\My Bar\\";
  ToolbarConfig.ToolbarFile = "MyBar";
  EXPECT_EQ(ConfigFilePath(), "C:\\Program Files\\My Bar\\\\MyBar.ini");
  EXPECT_EQ(DownloadedConfigFilePath(), "C:\\Program Files\\My Bar\\\\MyBar Internet.ini");
  EXPECT_EQ(BackupConfigFilePath(), "C:\\Program Files\\My Bar\\\\MyBar Default.ini");
  EXPECT_EQ(BannerFilePath(), "C:\\Program Files\\My Bar\\\\MyBar.bmp");
}

// ---------------------------------------------------------------------------
// Refreshing

class ConfigUpdate : public ToolbarConfigTest {
 protected:
  ConfigUpdate() {
    ToolbarConfig.InstallPath = InstallDir();
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.CompanyName = kDefaultCompanyName;
    ToolbarConfig.UpdatesUrl = kUpdates;
  }

  std::vector<std::string> ShownTexts() const {
    std::vector<std::string> texts;
    for (const auto& shown : ui.shown) texts.push_back(shown.text);
    return texts;
  }
  void ExpectEverythingClosed() const {
    EXPECT_EQ(internet.open_resources, 0);
    EXPECT_EQ(internet.open_sessions, 0);
  }
};

TEST_F(ConfigUpdate, BlankUpdatesUrlTouchesNothing) {
  ToolbarConfig.UpdatesUrl = " \t\r\n ";
  WriteAll(DownloadedConfigFilePath(), "left from before");

  EXPECT_FALSE(UpdateConfigFile(platform)) << "false, although nothing was checked";

  EXPECT_TRUE(internet.session_agents.empty());
  EXPECT_TRUE(ui.shown.empty()) << "no configuration, yet no message";
  EXPECT_EQ(ReadAll(DownloadedConfigFilePath()), "left from before");
}

TEST_F(ConfigUpdate, UpdateAddressIsTheUpdatesUrlWithToolbarIniAppended) {
  ToolbarConfig.UpdatesUrl = "http://updates.example.net/bar/";
  WriteAll(ConfigFilePath(), kOldConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  ASSERT_EQ(internet.opened.size(), 1u);
  EXPECT_EQ(internet.opened[0], "http://updates.example.net/bar//toolbar.ini");
}

TEST_F(ConfigUpdate, ValidDownloadIsInstalledAndTheReplacedFileKeptAsBackup) {
  WriteAll(ConfigFilePath(), kOldConfig);
  WriteAll(BackupConfigFilePath(), "an older backup");
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(internet.session_agents, std::vector<std::string>{"iexplore.exe"});
  ExpectEverythingClosed();
}

TEST_F(ConfigUpdate, FirstDownloadIsInstalledWhenNothingWasInstalled) {
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_FALSE(Exists(BackupConfigFilePath()));
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ConfigUpdate, DownloadWithoutToolbarNameStaysUntilTheNextUpdateRemovesIt) {
  WriteAll(ConfigFilePath(), kOldConfig);
  const std::string page = "<html><body>404 Not Found</body></html>";
  internet.responses[kUpdateAddress] = Body(page);

  EXPECT_TRUE(UpdateConfigFile(platform)) << "the installed file is still valid";
  EXPECT_EQ(ReadAll(DownloadedConfigFilePath()), page);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(BackupConfigFilePath()));

  internet.responses.clear();  // the source is gone
  EXPECT_TRUE(UpdateConfigFile(platform));
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ConfigUpdate, EmptyToolbarNameDoesNotMakeAConfiguration) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body("[Options]\r\nToolbar Name=\r\n");

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_TRUE(Exists(DownloadedConfigFilePath()));
}

TEST_F(ConfigUpdate, UnreachableSourceKeepsTheInstalledConfiguration) {
  WriteAll(ConfigFilePath(), kOldConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(internet.opened, std::vector<std::string>{kUpdateAddress});
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ConfigUpdate, BodyShorterThanAnnouncedIsNotInstalled) {
  WriteAll(ConfigFilePath(), kOldConfig);
  FakeResponse response = Body(kNewConfig);
  response.announced = kNewConfig.size() + 500;  // the connection broke off
  internet.responses[kUpdateAddress] = response;

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_FALSE(Exists(BackupConfigFilePath()));
}

TEST_F(ConfigUpdate, FailedReadIsNotInstalled) {
  WriteAll(ConfigFilePath(), kOldConfig);
  FakeResponse response;
  response.body = kNewConfig;
  response.ending = FakeResponse::Ending::FailedRead;
  internet.responses[kUpdateAddress] = response;

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  ExpectEverythingClosed();
}

TEST_F(ConfigUpdate, FailedReplacementLeavesTheInstalledFileInPlace) {
  ScriptedFileSystem files(Files());
  files.fail_replace = true;
  InstallFileSystem(&files);
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform)) << "the installed file still serves";

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
  EXPECT_TRUE(ui.shown.empty());
  for (const std::string& move : files.moves)
    EXPECT_EQ(move.rfind("rename " + ConfigFilePath(), 0), std::string::npos)
        << "the installed file is never moved away: " << move;
}

// A window reading the configuration holds it open for a moment: an update
// finished then goes in at a later try; one held for longer waits for the next
// window, and the installed file still serves.
TEST_F(ConfigUpdate, AnUpdateGoesInOnceAReaderLetsGoOfTheInstalledFile) {
  const struct {
    int refusals;
    bool installed;
  } cases[] = {{1, true}, {3, true}, {4, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refusals);
    ScriptedFileSystem files(Files());
    files.refused_target = ConfigFilePath();
    files.refusals_left = c.refusals;
    InstallFileSystem(&files);
    WriteAll(ConfigFilePath(), kOldConfig);
    internet.responses[kUpdateAddress] = Body(kNewConfig);

    EXPECT_TRUE(UpdateConfigFile(platform));

    EXPECT_EQ(ReadAll(ConfigFilePath()), c.installed ? kNewConfig : kOldConfig);
    EXPECT_TRUE(ui.shown.empty());
    InstallFileSystem(nullptr);
  }
}

TEST_F(ConfigUpdate, ReplacementGoesAheadWhenTheBackupCannotBeMade) {
  ScriptedFileSystem files(Files());
  files.fail_copy = true;
  InstallFileSystem(&files);
  WriteAll(ConfigFilePath(), kOldConfig);
  WriteAll(BackupConfigFilePath(), "an older backup");
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_FALSE(Exists(BackupConfigFilePath()));
  // The update state file beside it is written the same way, after it.
  EXPECT_EQ(files.moves,
            (std::vector<std::string>{
                "replace " + ConfigFilePath() + ".tmp -> " + ConfigFilePath(),
                "replace " + UpdateStateFilePath() + ".tmp -> " + UpdateStateFilePath()}));
}

TEST_F(ConfigUpdate, NoConfigurationAnywhereShowsTheConfigurationError) {
  EXPECT_FALSE(UpdateConfigFile(platform));

  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, kConfigError);
  EXPECT_EQ(ui.shown[0].caption, "Error");
  EXPECT_EQ(ui.shown[0].style, 0x30u) << "warning icon, OK button";
}

TEST_F(ConfigUpdate, InstalledFileWithoutToolbarNameIsNoConfiguration) {
  WriteAll(ConfigFilePath(), "[Options]\r\nCompany Name=Old\r\n");

  EXPECT_FALSE(UpdateConfigFile(platform));

  EXPECT_EQ(ShownTexts(), std::vector<std::string>{kConfigError});
}

TEST_F(ConfigUpdate, EmptyCompanyNameEndsTheMessageAfterPleaseContact) {
  ToolbarConfig.CompanyName = "";

  EXPECT_FALSE(UpdateConfigFile(platform));

  EXPECT_EQ(ShownTexts(), std::vector<std::string>{
                              "Error Loading Configuration File! MyBar.ini! Please contact "});
}

// ---------------------------------------------------------------------------
// A user who may not write the install directory

// The install directory, and the user's folder when told, refuse new files,
// as they do a standard user or the browser's protected mode.
class RefusingFolders : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override {
    for (const std::string& folder : refused)
      if (path.rfind(folder, 0) == 0) return FileWriteResult::Denied;
    return real_.WriteNew(path, contents);
  }
  std::vector<std::string> refused;
};

class UserUpdate : public ConfigUpdate {
 protected:
  UserUpdate() : files_(Files()) {
    ToolbarConfig.ToolbarName = "My Bar";
    ToolbarConfig.UserConfigFolder = (root_.path() / "user").string() + "\\Pelliquester\\My Bar";
    files_.refused = {InstallDir()};
    InstallFileSystem(&files_);
  }
  RefusingFolders files_;
};

TEST_F(UserUpdate, AnUpdateTheInstallDirectoryRefusesIsKeptForTheUserAndReadFirst) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_EQ(ReadAll(UserConfigFilePath()), kNewConfig);
  EXPECT_EQ(ConfigFileInForce(), UserConfigFilePath());
  EXPECT_TRUE(ui.shown.empty());

  // The next update replaces the user's copy and keeps what it replaced.
  const std::string newer = kNewConfig + "Home Page URL=http://www.example.com/\r\n";
  internet.responses[kUpdateAddress] = Body(newer);
  EXPECT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(ReadAll(UserConfigFilePath()), newer);
  EXPECT_EQ(ReadAll(UserBackupConfigFilePath()), kNewConfig);
}

TEST_F(UserUpdate, AnUpdateThatCanBeWrittenNowhereLeavesTheConfigurationInForceSilently) {
  files_.refused.push_back(ToolbarConfig.UserConfigFolder);
  internet.responses[kUpdateAddress] = Body(kNewConfig);
  const struct {
    const char* what;
    const char* installed;  // nullptr: nothing is installed
    bool valid;
  } cases[] = {
      {"an installed configuration", kOldConfig.c_str(), true},
      {"nothing installed: the configuration error, as when the server is unreachable", nullptr,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ConfigFilePath());
    if (c.installed) WriteAll(ConfigFilePath(), c.installed);
    ui.shown.clear();

    bool result = !c.valid;
    EXPECT_NO_THROW(result = UpdateConfigFile(platform));

    EXPECT_EQ(result, c.valid);
    EXPECT_EQ(ShownTexts(),
              c.valid ? std::vector<std::string>{} : std::vector<std::string>{kConfigError});
    EXPECT_EQ(Exists(ConfigFilePath()), c.valid);
    EXPECT_FALSE(Exists(UserConfigFilePath()));
    ExpectEverythingClosed();
  }
}

// The user's copy is read first, but a newer installation is never hidden
// behind an older copy.
TEST_F(UserUpdate, TheUserCopyServesOnlyWhileItIsTheNewer) {
  const auto config = [](const char* company, const char* version) {
    return "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=" + std::string(company) + "\r\n" +
           (version ? "Config Version=" + std::string(version) + "\r\n" : std::string());
  };
  enum class Newer { User, Installed };
  const struct {
    const char* what;
    std::string installed;  // empty: no file
    std::string user;
    Newer written_last;
    bool user_serves;
  } cases[] = {
      {"the user's version is greater", config("M", "2"), config("U", "3"), Newer::Installed, true},
      {"the installed version is greater", config("M", "4"), config("U", "3"), Newer::User, false},
      {"equal versions", config("M", "3"), config("U", "3"), Newer::User, false},
      {"no versions, the user's written last", config("M", nullptr), config("U", nullptr),
       Newer::User, true},
      {"no versions, the installed written last", config("M", nullptr), config("U", nullptr),
       Newer::Installed, false},
      {"one version only, the installed written last", config("M", nullptr), config("U", "9"),
       Newer::Installed, false},
      {"nothing installed", "", config("U", "1"), Newer::User, true},
      {"the installed file names no toolbar", "[Options]\r\n", config("U", "1"), Newer::Installed,
       true},
      {"the user's copy names no toolbar", config("M", "1"), "[Options]\r\nConfig Version=5\r\n",
       Newer::User, false},
  };
  fs::create_directories(ToolbarConfig.UserConfigFolder);
  const auto now = fs::file_time_type::clock::now();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ConfigFilePath());
    if (!c.installed.empty()) WriteAll(ConfigFilePath(), c.installed);
    WriteAll(UserConfigFilePath(), c.user);
    const bool user_last = c.written_last == Newer::User;
    fs::last_write_time(UserConfigFilePath(), now - std::chrono::hours(user_last ? 1 : 2));
    if (!c.installed.empty())
      fs::last_write_time(ConfigFilePath(), now - std::chrono::hours(user_last ? 2 : 1));

    EXPECT_EQ(ConfigFileInForce(), c.user_serves ? UserConfigFilePath() : ConfigFilePath());
  }
}

TEST_F(UserUpdate, TheUserCopyInForceGivesTheOptionsAtLoad) {
  RegisterInstallation();
  desktop.user_data_folder = (root_.path() / "user").string();
  WriteAll(ConfigFilePath(), kOldConfig + "Config Version=1\r\n");
  fs::create_directories(ToolbarConfig.UserConfigFolder);
  WriteAll(UserConfigFilePath(), kNewConfig + "Config Version=2\r\n");

  LoadToolbarConfig(platform);

  EXPECT_EQ(ToolbarConfig.UserConfigFolder,
            (root_.path() / "user").string() + "\\Pelliquester\\My Bar");
  EXPECT_EQ(ToolbarConfig.CompanyName, "New");
}

TEST_F(ConfigUpdate, CanonicalFormIsWhatGetsFetched) {
  internet.canonical_forms[kUpdateAddress] = "http://updates.example.net/canonical/toolbar.ini";
  internet.responses["http://updates.example.net/canonical/toolbar.ini"] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(internet.canonicalized, std::vector<std::string>{kUpdateAddress});
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
}

TEST_F(ConfigUpdate, ImplausibleCanonicalFormIsNotFetched) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.canonical_forms[kUpdateAddress] = "http://updates.example.net/a b/toolbar.ini";

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_TRUE(internet.opened.empty());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ConfigUpdate, CanonicalizationFailureShowsTheSystemMessageAndSkipsTheDownload) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.canonicalize_error = 12005;

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_TRUE(internet.opened.empty());
  EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Error: system message 12005"});
  EXPECT_EQ(ui.shown[0].caption, "Error");
}

TEST_F(ConfigUpdate, RefusedSessionIsAFailedDownload) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.refuse_sessions = true;
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_TRUE(internet.opened.empty());
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
}

// ---------------------------------------------------------------------------
// Downloading

class Download : public ToolbarConfigTest {
 protected:
  std::string Destination() const { return (root_.path() / "download.bin").string(); }
  const std::string address = "http://files.example.net/toolbar.ini";
};

TEST_F(Download, SavesTheWholeBodyUnderTheHostsAgentNameWithExplicitTimeouts) {
  std::string body;
  for (int i = 0; i < 5000; ++i) body += static_cast<char>(i % 251);
  internet.agent = "explorer.exe";
  internet.responses[address] = Body(body);

  EXPECT_TRUE(DownloadFile(platform, address, Destination()));

  EXPECT_EQ(ReadAll(Destination()), body);
  EXPECT_EQ(internet.session_agents, std::vector<std::string>{"explorer.exe"});
  ASSERT_EQ(internet.session_timeouts.size(), 1u);
  EXPECT_GT(internet.session_timeouts[0].connect_ms, 0u);
  EXPECT_GT(internet.session_timeouts[0].send_ms, 0u);
  EXPECT_GT(internet.session_timeouts[0].receive_ms, 0u);
  EXPECT_LE(internet.session_timeouts[0].receive_ms, kDownloadDeadlineMs);
}

TEST_F(Download, BodyWithoutAnnouncedLengthEndsWhenTheServerSaysSo) {
  FakeResponse response;
  response.body = "[Options]\r\nToolbar Name=X\r\n";
  response.piece_limit = 3;
  internet.responses[address] = response;

  EXPECT_TRUE(DownloadFile(platform, address, Destination()));

  EXPECT_EQ(ReadAll(Destination()), response.body);
}

TEST_F(Download, EmptyBodyIsASavedEmptyFile) {
  internet.responses[address] = Body("");
  EXPECT_TRUE(DownloadFile(platform, address, Destination()));
  EXPECT_TRUE(Exists(Destination()));
  EXPECT_EQ(ReadAll(Destination()), "");
}

TEST_F(Download, SlowButTimelyBodyIsSaved) {
  FakeResponse response = Body(std::string(10 * 1024, 'a'));
  response.ms_per_read = kDownloadDeadlineMs / 20;  // eleven reads
  internet.responses[address] = response;

  EXPECT_TRUE(DownloadFile(platform, address, Destination()));
}

TEST_F(Download, BodyStillComingAtTheDeadlineIsAFailure) {
  FakeResponse response;
  response.ending = FakeResponse::Ending::Endless;
  response.piece_limit = 10;
  response.ms_per_read = 100;
  internet.responses[address] = response;

  EXPECT_FALSE(DownloadFile(platform, address, Destination()));

  EXPECT_FALSE(Exists(Destination())) << "no partial file remains";
  EXPECT_LE(internet.reads, static_cast<int>(kDownloadDeadlineMs / 100) + 1);
  EXPECT_EQ(internet.open_resources, 0);
}

TEST_F(Download, BodyGrowingPastTheSizeLimitIsAFailure) {
  FakeResponse response;
  response.ending = FakeResponse::Ending::Endless;
  internet.responses[address] = response;

  EXPECT_FALSE(DownloadFile(platform, address, Destination()));

  EXPECT_FALSE(Exists(Destination()));
  EXPECT_LE(static_cast<uint64_t>(internet.reads), kDownloadSizeLimit / 1024 + 1)
      << "stops right after the limit";
}

TEST_F(Download, AnnouncedLengthPastTheSizeLimitIsRefusedBeforeReading) {
  FakeResponse response = Body("small");
  response.announced = kDownloadSizeLimit + 1;
  internet.responses[address] = response;

  EXPECT_FALSE(DownloadFile(platform, address, Destination()));

  EXPECT_EQ(internet.reads, 0);
  EXPECT_FALSE(Exists(Destination()));
}

TEST_F(Download, BodyLongerThanAnnouncedIsAFailure) {
  FakeResponse response = Body("[Options]\r\nToolbar Name=X\r\n");
  response.announced = 5;
  internet.responses[address] = response;

  EXPECT_FALSE(DownloadFile(platform, address, Destination()));
  EXPECT_FALSE(Exists(Destination()));
}

TEST_F(Download, ReadThatOutlastsTheDeadlineEndsTheDownload) {
  FakeResponse response = Body(std::string(3000, 'b'));
  response.ms_per_read = kDownloadDeadlineMs;
  internet.responses[address] = response;

  EXPECT_FALSE(DownloadFile(platform, address, Destination()));
  EXPECT_EQ(internet.reads, 1);
  EXPECT_FALSE(Exists(Destination()));
}

}  // namespace
}  // namespace pq
