// The configuration update as a window meets it: in the background with a
// budget, conditional on what is installed, and at most once an interval.
// Real files in a scratch directory, fakes of everything else.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <map>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/forwarding_file_system.h"
#include "fakes/thread_background.h"
#include "update_texts.h"
#include "whole_files.h"

namespace pq {
namespace {

namespace fs = std::filesystem;
using fakes::FakeResponse;
using testing::ReadAll;
using testing::WriteAll;

using testing::kConfigError;
using testing::kNewConfig;
using testing::kOldConfig;
using testing::kUpdateAddress;
using testing::kUpdates;
constexpr auto kNeverLonger = std::chrono::seconds(20);

FakeResponse Body(const std::string& body, std::map<std::string, std::string> headers = {}) {
  FakeResponse response;
  response.body = body;
  response.announced = body.size();
  response.headers = std::move(headers);
  return response;
}

FakeResponse NotModified() {
  FakeResponse response;
  response.status = 304;
  response.announced = 0;
  return response;
}

// An answer the server holds back until the test lets it go. A faulty
// implementation that waits for it fails instead of hanging the run.
class Gate {
 public:
  std::function<void()> Hold() {
    return [this] {
      entered_.set_value();
      (void)released_.get_future().wait_for(kNeverLonger);
    };
  }
  bool Entered() { return entered_.get_future().wait_for(kNeverLonger) == std::future_status::ready; }
  void Release() { released_.set_value(); }

 private:
  std::promise<void> entered_;
  std::promise<void> released_;
};

class UpdateTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  UpdateTest() {
    fs::create_directories(root_.path() / "install");
    ToolbarConfig.InstallPath = (root_.path() / "install").string();
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.CompanyName = kDefaultCompanyName;
    ToolbarConfig.UpdatesUrl = kUpdates;
  }
  ~UpdateTest() override {
    background.JoinAll();
    ClearToolbarConfig();
  }

  std::vector<std::string> ShownTexts() const {
    std::vector<std::string> texts;
    for (const auto& shown : ui.shown) texts.push_back(shown.text);
    return texts;
  }
  size_t Requests() const { return internet.opened.size(); }
  // The conditions the last request carried, as "Name: value" lines.
  std::vector<std::string> LastConditions() const {
    std::vector<std::string> lines;
    if (internet.request_headers.empty()) return lines;
    for (const auto& [name, value] : internet.request_headers.back())
      lines.push_back(name + ": " + value);
    return lines;
  }

  fakes::ScratchDir root_{"pq-background"};
  fakes::ThreadBackground background;
};

// ---------------------------------------------------------------------------
// The window's budget

class WindowBudget : public UpdateTest {
 protected:
  WindowBudget() { platform.background = &background; }

  // Builds a window's configuration and says how long the window waited.
  std::chrono::milliseconds TimedRefresh(uint64_t budget_ms, bool& result) {
    const auto start = std::chrono::steady_clock::now();
    result = RefreshConfigFile(platform, budget_ms);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }
};

TEST_F(WindowBudget, AnUpdateInTimeShowsInTheSameWindowALateOneFromTheNext) {
  const struct {
    const char* what;
    bool held;
    uint64_t budget_ms;
  } cases[] = {
      {"a prompt server", false, 10000},
      {"a server that holds its answer past the budget", true, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(ConfigFilePath(), kOldConfig);
    fs::remove(UpdateStateFilePath());
    internet.responses[kUpdateAddress] = Body(kNewConfig);
    Gate gate;
    if (c.held) internet.on_open[kUpdateAddress] = gate.Hold();
    ui.shown.clear();

    bool result = false;
    const std::chrono::milliseconds waited = TimedRefresh(c.budget_ms, result);

    EXPECT_TRUE(result) << "a valid configuration is in force either way";
    EXPECT_EQ(background.started, 1) << "the update ran in the background";
    if (c.held) {
      ASSERT_TRUE(gate.Entered());
      EXPECT_GE(waited.count(), static_cast<long long>(c.budget_ms));
      EXPECT_LT(waited, std::chrono::seconds(5)) << "the window did not wait for the network";
      EXPECT_EQ(ReadAll(ConfigFileInForce()), kOldConfig) << "the window goes on with what is in force";
      gate.Release();
      background.JoinAll();
    }
    EXPECT_EQ(ReadAll(ConfigFileInForce()), kNewConfig)
        << (c.held ? "the late update landed for the next window" : "the same window shows it");
    EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
    EXPECT_TRUE(ui.shown.empty());
    background.JoinAll();
    background.started = 0;
  }
}

TEST_F(WindowBudget, WithNothingValidInForceTheWindowShowsTheErrorAndTheLateUpdateShowsNothing) {
  internet.responses[kUpdateAddress] = Body(kNewConfig);
  Gate gate;
  internet.on_open[kUpdateAddress] = gate.Hold();

  bool result = true;
  (void)TimedRefresh(20, result);

  EXPECT_FALSE(result);
  EXPECT_EQ(ShownTexts(), std::vector<std::string>{kConfigError}) << "shown by the window";
  ASSERT_TRUE(gate.Entered());
  gate.Release();
  background.JoinAll();
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ShownTexts(), std::vector<std::string>{kConfigError}) << "nothing from the worker";
}

TEST_F(WindowBudget, AnAddressWithoutCanonicalFormIsTheWindowsErrorAndStartsNothing) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.canonicalize_error = 12005;

  EXPECT_TRUE(RefreshConfigFile(platform, 10000));

  EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Error: system message 12005"});
  EXPECT_EQ(background.started, 0);
  EXPECT_TRUE(internet.opened.empty());
}

TEST_F(WindowBudget, AWindowThatComesWhileAnUpdateIsUnderWayWaitsForThatOne) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body(kNewConfig);
  Gate gate;
  internet.on_open[kUpdateAddress] = gate.Hold();

  EXPECT_TRUE(RefreshConfigFile(platform, 20));
  ASSERT_TRUE(gate.Entered());
  EXPECT_TRUE(RefreshConfigFile(platform, 20)) << "a second window meanwhile";
  gate.Release();
  background.JoinAll();

  EXPECT_EQ(background.started, 1);
  EXPECT_EQ(Requests(), 1u);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);

  EXPECT_TRUE(RefreshConfigFile(platform, 10000)) << "once it ended, the next window asks anew";
  EXPECT_EQ(background.started, 2);
  EXPECT_EQ(Requests(), 2u);
}

TEST_F(WindowBudget, ACancelledUpdateInstallsNothing) {
  WriteAll(ConfigFilePath(), kOldConfig);
  WriteAll(BackupConfigFilePath(), "an older backup");
  const struct {
    const char* what;
    std::string served;
  } cases[] = {
      {"a valid update", kNewConfig},
      {"an invalid one, which would be kept aside", "<html>not here</html>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    internet.responses[kUpdateAddress] = Body(c.served);
    Gate gate;
    internet.on_open[kUpdateAddress] = gate.Hold();

    EXPECT_TRUE(RefreshConfigFile(platform, 20));
    ASSERT_TRUE(gate.Entered());
    CancelConfigUpdate();
    gate.Release();
    background.JoinAll();

    EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
    EXPECT_EQ(ReadAll(BackupConfigFilePath()), "an older backup");
    EXPECT_FALSE(fs::exists(DownloadedConfigFilePath()));
    EXPECT_FALSE(fs::exists(UpdateStateFilePath())) << "a cancelled fetch is no fetch";
    for (const auto& entry : fs::directory_iterator(root_.path()))
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(internet.open_resources, 0);
}

TEST_F(WindowBudget, AWindowAfterACancelStartsAnUpdateOfItsOwn) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body(kNewConfig);
  Gate gate;
  internet.on_open[kUpdateAddress] = gate.Hold();
  EXPECT_TRUE(RefreshConfigFile(platform, 20));
  ASSERT_TRUE(gate.Entered());
  CancelConfigUpdate();

  EXPECT_TRUE(RefreshConfigFile(platform, 10000));

  EXPECT_EQ(background.started, 2);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig) << "the new update, in the same window";
  gate.Release();
  background.JoinAll();
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig) << "the cancelled one touched nothing";
}

TEST_F(WindowBudget, WithoutAThreadTheUpdateRunsInTheWindowAsBefore) {
  background.refuse = true;
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body(kNewConfig);

  EXPECT_TRUE(RefreshConfigFile(platform, 0));

  EXPECT_EQ(background.started, 1);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
}

// ---------------------------------------------------------------------------
// Conditional requests

using Conditions = UpdateTest;

TEST_F(Conditions, TheNextRequestCarriesTheValidatorsOfTheInstalledUpdate) {
  const std::string date = "Mon, 01 Jan 2024 00:00:00 GMT";
  const struct {
    const char* what;
    std::map<std::string, std::string> headers;
    std::vector<std::string> conditions;
  } cases[] = {
      {"both", {{"ETag", "\"v1\""}, {"Last-Modified", date}},
       {"If-None-Match: \"v1\"", "If-Modified-Since: " + date}},
      {"an ETag only", {{"etag", "W/\"v2\""}}, {"If-None-Match: W/\"v2\""}},
      {"a date only", {{"Last-Modified", date}}, {"If-Modified-Since: " + date}},
      {"neither", {}, {}},
      {"a value that could not go back into a request", {{"ETag", "\"a\"\r\nX-Evil: 1"}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ConfigFilePath());
    fs::remove(UpdateStateFilePath());
    internet.responses[kUpdateAddress] = Body(kNewConfig, c.headers);
    ASSERT_TRUE(UpdateConfigFile(platform));
    EXPECT_TRUE(LastConditions().empty()) << "nothing installed: nothing to ask about";

    ASSERT_TRUE(UpdateConfigFile(platform));

    EXPECT_EQ(LastConditions(), c.conditions);
  }
}

TEST_F(Conditions, A304ChangesNothing) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v1\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  WriteAll(BackupConfigFilePath(), "the backup as it stands");
  const int reads = internet.reads;
  const auto backup_time = fs::last_write_time(BackupConfigFilePath());
  const auto config_time = fs::last_write_time(ConfigFilePath());
  internet.responses[kUpdateAddress] = NotModified();

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(LastConditions(), std::vector<std::string>{"If-None-Match: \"v1\""});
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(fs::last_write_time(ConfigFilePath()), config_time);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), "the backup as it stands");
  EXPECT_EQ(fs::last_write_time(BackupConfigFilePath()), backup_time);
  EXPECT_FALSE(fs::exists(DownloadedConfigFilePath()));
  EXPECT_EQ(internet.reads, reads) << "a 304 has no body to read";
  EXPECT_TRUE(ui.shown.empty());

  // The validators stay: the next request asks the same.
  EXPECT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(LastConditions(), std::vector<std::string>{"If-None-Match: \"v1\""});
}

TEST_F(Conditions, A304ToAnUnconditionalRequestIsAnAnswerLikeAnyOther) {
  WriteAll(ConfigFilePath(), kOldConfig);
  internet.responses[kUpdateAddress] = NotModified();

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_TRUE(LastConditions().empty());
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_TRUE(fs::exists(DownloadedConfigFilePath())) << "refused for want of a toolbar name";
}

TEST_F(Conditions, AFileReplacedByHandIsFetchedUnconditionally) {
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v1\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  const std::string by_hand = kOldConfig + "Home Page URL=http://www.example.com/\r\n";
  WriteAll(ConfigFilePath(), by_hand);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_TRUE(LastConditions().empty());
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig) << "the server's answer replaced it";
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), by_hand);
}

TEST_F(Conditions, ARefusedDownloadKeepsTheValidatorsOfWhatIsInForce) {
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v1\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  internet.responses[kUpdateAddress] = Body("<html>oops</html>", {{"ETag", "\"oops\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  EXPECT_TRUE(fs::exists(DownloadedConfigFilePath()));

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(LastConditions(), std::vector<std::string>{"If-None-Match: \"v1\""});
}

TEST_F(Conditions, AStateFileThatDoesNotReadWholeIsNone) {
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v1\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  const std::string whole = ReadAll(UpdateStateFilePath());
  ASSERT_NE(whole.find("ETag=\"v1\""), std::string::npos);
  const std::string broken[] = {
      whole.substr(0, whole.find("Hash=")),
      whole.substr(0, whole.find("Fetched=")),
      std::string(whole).replace(whole.find("Hash=") + 5, 3, "xyz"),
  };
  for (const std::string& text : broken) {
    SCOPED_TRACE(text);
    WriteAll(UpdateStateFilePath(), text);
    ASSERT_TRUE(UpdateConfigFile(platform));
    EXPECT_TRUE(LastConditions().empty());
  }
}

// The validators and the time of a fetch belong to the address that gave
// them: another server (a mirror that a policy names, an address that an
// update names) is asked unconditionally, however recent the last fetch.
TEST_F(Conditions, GoOnlyToTheAddressThatGaveThem) {
  const std::string mirror = "http://mirror.example.com/bar/toolbar.ini";
  const std::string mirror_config = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=Corp\r\n";
  const struct {
    const char* what;
    uint64_t interval_minutes;
  } cases[] = {{"every window asks", 0}, {"within the interval", 60}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ConfigFilePath());
    fs::remove(UpdateStateFilePath());
    ToolbarConfig.UpdatesUrl = kUpdates;
    ToolbarConfig.UpdateIntervalMinutes = c.interval_minutes;
    internet.responses[kUpdateAddress] =
        Body(kNewConfig, {{"ETag", "\"v1\""}, {"Last-Modified", "Tue, 01 Oct 2024 00:00:00 GMT"}});
    ASSERT_TRUE(UpdateConfigFile(platform));

    ToolbarConfig.UpdatesUrl = "http://mirror.example.com/bar";
    internet.responses[mirror] = Body(mirror_config, {{"ETag", "\"m1\""}});
    ASSERT_TRUE(UpdateConfigFile(platform));

    ASSERT_FALSE(internet.opened.empty());
    EXPECT_EQ(internet.opened.back(), mirror);
    EXPECT_TRUE(LastConditions().empty());
    EXPECT_EQ(ReadAll(ConfigFilePath()), mirror_config);
    // The mirror's own validators are kept for it.
    clock.Advance(c.interval_minutes * 60 * 1000);
    ASSERT_TRUE(UpdateConfigFile(platform));
    EXPECT_EQ(LastConditions(), std::vector<std::string>{"If-None-Match: \"m1\""});
  }
}

// A file system on which another browser process puts its own, older
// download in force just after this one has put its download in force.
class OvertakenFiles : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  bool Replace(const std::string& from, const std::string& to) override {
    const bool replaced = real_.Replace(from, to);
    if (replaced && to == target && other_process) std::exchange(other_process, nullptr)();
    return replaced;
  }
  std::string target;
  std::function<void()> other_process;
};

TEST_F(Conditions, OfADownloadThatAnotherProcessReplacedAreNotKept) {
  WriteAll(ConfigFilePath(), kOldConfig);
  const std::string older = kOldConfig + "Home Page URL=http://www.example.com/old\r\n";
  OvertakenFiles files(Files());
  files.target = ConfigFilePath();
  files.other_process = [&] {
    internet.responses[kUpdateAddress] = Body(older, {{"ETag", "\"v1\""}});
    ASSERT_TRUE(UpdateConfigFile(platform));
  };
  InstallFileSystem(&files);
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v2\""}});

  ASSERT_TRUE(UpdateConfigFile(platform));
  ASSERT_EQ(ReadAll(ConfigFilePath()), older) << "the other process's download is in force";
  // The server serves the newer file and answers 304 to its validators: it
  // must not be asked with them while the older file is in force.
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v2\""}});
  internet.on_open[kUpdateAddress] = [&] {
    for (const std::string& line : LastConditions())
      if (line == "If-None-Match: \"v2\"") internet.responses[kUpdateAddress] = NotModified();
  };
  ASSERT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  InstallFileSystem(nullptr);
}

// A signed update waits on the network for its signature before it may be
// installed; a browser that ends meanwhile must leave nothing of it behind.
TEST_F(Conditions, NothingOfADownloadIsWrittenBeforeItIsJudged) {
  const std::string key =
      "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEUyVz1kgfAe0C4csf4/IdJZjHClzxD89FQo+ju2poyxSzH6A5kkQJ5"
      "C0QYfT5KSrI6Jo5Q0OGl/wm76QDKnw7Bg==";
  WriteAll(ConfigFilePath(),
           "[Options]\r\nToolbar Name=MyBar\r\nConfig Version=1\r\nUpdate Key=" + key + "\r\n");
  ToolbarConfig.UpdateKey = key;
  internet.responses[kUpdateAddress] =
      Body("[Options]\r\nToolbar Name=MyBar\r\nConfig Version=2\r\nUpdate Key=" + key + "\r\n");
  std::vector<std::string> present;
  bool asked = false;
  internet.on_open[kUpdateAddress + ".sig"] = [&] {
    asked = true;
    // The scratch directory holds the installation's files under their
    // Windows names.
    for (const auto& entry : fs::directory_iterator(root_.path()))
      if (entry.is_regular_file()) present.push_back(entry.path().filename().string());
  };

  ASSERT_TRUE(UpdateConfigFile(platform));

  EXPECT_TRUE(asked);
  EXPECT_EQ(present, std::vector<std::string>{"install\\MyBar.ini"});
}

// ---------------------------------------------------------------------------
// "Update Interval"

using Interval = UpdateTest;

TEST_F(Interval, WindowsWithinTheIntervalOfAFetchAskNothing) {
  const struct {
    const char* what;
    uint64_t minutes;
    int64_t seconds_later;  // when the second window is built
    size_t requests;
  } cases[] = {
      {"no interval", 0, 0, 2},
      {"within it", 60, 30 * 60, 1},
      {"just before its end", 60, 60 * 60 - 1, 1},
      {"at its end", 60, 60 * 60, 2},
      {"the clock set back", 60, -5, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ConfigFilePath());
    fs::remove(UpdateStateFilePath());
    internet.opened.clear();
    ToolbarConfig.UpdateIntervalMinutes = c.minutes;
    internet.responses[kUpdateAddress] = Body(kNewConfig);
    ASSERT_TRUE(UpdateConfigFile(platform));

    clock.now_ms += static_cast<uint64_t>(c.seconds_later * 1000);
    EXPECT_TRUE(UpdateConfigFile(platform));
    clock.now_ms -= static_cast<uint64_t>(c.seconds_later * 1000);

    EXPECT_EQ(Requests(), c.requests);
  }
}

TEST_F(Interval, A304StartsTheIntervalAFailedFetchDoesNot) {
  ToolbarConfig.UpdateIntervalMinutes = 10;
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v1\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  clock.Advance(11 * 60 * 1000);
  internet.responses.clear();  // unreachable
  ASSERT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(Requests(), 2u);
  ASSERT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(Requests(), 3u) << "the failure did not count as a fetch";

  internet.responses[kUpdateAddress] = NotModified();
  ASSERT_TRUE(UpdateConfigFile(platform));
  ASSERT_TRUE(UpdateConfigFile(platform));
  EXPECT_EQ(Requests(), 4u) << "the 304 did";
}

// The install directory as a standard user meets it: it cannot be written.
class ReadOnlyInstallation : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override {
    if (read_only && path.rfind(folder, 0) == 0) return FileWriteResult::Denied;
    return real_.WriteNew(path, contents);
  }
  std::string folder;
  bool read_only = false;
};

// An administrator's browser left its fetch noted in the install directory;
// a standard user's windows note theirs in the user's folder, and the latest
// of the two counts.
TEST_F(Interval, AStandardUsersOwnFetchCountsBesideAnOlderOneOfTheInstallation) {
  ReadOnlyInstallation files(Files());
  files.folder = ToolbarConfig.InstallPath + "\\";
  InstallFileSystem(&files);
  ToolbarConfig.UserConfigFolder = (root_.path() / "user").string();
  ToolbarConfig.UpdateIntervalMinutes = 60;
  internet.responses[kUpdateAddress] = Body(kNewConfig, {{"ETag", "\"v1\""}});
  ASSERT_TRUE(UpdateConfigFile(platform));
  ASSERT_TRUE(fs::exists(UpdateStateFilePath()));

  files.read_only = true;
  clock.Advance(24ull * 3600 * 1000);
  internet.responses[kUpdateAddress] = NotModified();
  for (int window = 0; window < 5; ++window) {
    ASSERT_TRUE(UpdateConfigFile(platform));
    clock.Advance(60 * 1000);
  }

  EXPECT_EQ(Requests(), 2u) << "one for the administrator, one for the user's five windows";
  InstallFileSystem(nullptr);
}

TEST_F(Interval, AFileReplacedByHandIsAskedForAtOnce) {
  ToolbarConfig.UpdateIntervalMinutes = 60;
  internet.responses[kUpdateAddress] = Body(kNewConfig);
  ASSERT_TRUE(UpdateConfigFile(platform));
  WriteAll(ConfigFilePath(), kOldConfig);

  ASSERT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(Requests(), 2u);
}

TEST(UpdateInterval, IsAWholeNumberOfMinutesElseZero) {
  const struct {
    const char* text;
    uint64_t minutes;
  } cases[] = {
      {"60", 60},      {" 5 ", 5},  {"0", 0},     {"1000000", 1000000}, {"1000001", 0},
      {"-1", 0},       {"1.5", 0},  {"ten", 0},   {"", 0},              {"99999999999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseUpdateInterval(c.text), c.minutes) << c.text;
}

TEST(UpdateInterval, IsReadFromTheOptionsAtLoad) {
  fakes::FakePlatform ports;
  fakes::ScratchDir dir("pq-interval");
  const std::string key = std::string(kExplorerBarsKey) + "\\" + kBandClassId;
  const std::string install = (dir.path() / "install").string();
  ports.registry.PutText(RegRoot::LocalMachine, key, "InstallPath", install);
  ports.registry.PutText(RegRoot::LocalMachine, key, "Toolbar File", "MyBar");
  WriteAll(install + "\\MyBar.ini", kOldConfig + "Update Interval=90\r\n");

  LoadToolbarConfig(ports.platform);

  EXPECT_EQ(ToolbarConfig.UpdateIntervalMinutes, 90u);
  ClearToolbarConfig();
}

TEST(UpdateHash, IsFnv1a64) {
  EXPECT_EQ(Fnv1a64(""), 0xcbf29ce484222325u);
  EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cu);
  EXPECT_EQ(Fnv1a64("foobar"), 0x85944171f73967e8u);
}

}  // namespace
}  // namespace pq
