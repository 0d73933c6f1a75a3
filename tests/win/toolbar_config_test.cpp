// The configuration refresh against real WinINet and a loopback HTTP server of
// the test's own; configuration errors are read off the real message box.
#include "config/toolbar_config.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "support/loopback_http_server.h"
#include "support/message_box_watcher.h"
#include "support/scratch_key.h"
#include "support/whole_files.h"
#include "support/win32_ports.h"

namespace pq {
namespace {

using testing::LoopbackHttpServer;
using Behaviour = LoopbackHttpServer::Behaviour;

constexpr char kOldConfig[] = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=Old\r\n";
constexpr char kNewConfig[] = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=New\r\n";

using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

std::string ProgramFileName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string text = path;
  return text.substr(text.find_last_of('\\') + 1);
}

class ConfigUpdateOverHttp : public ::testing::Test, protected testing::Win32Ports {
 protected:
  ConfigUpdateOverHttp() {
    ToolbarConfig.InstallPath = dir.path();
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.CompanyName = kDefaultCompanyName;
    ToolbarConfig.UpdatesUrl = server.BaseUrl() + "/bars";
  }
  ~ConfigUpdateOverHttp() override { ClearToolbarConfig(); }

  void Serve(const std::string& body, Behaviour behaviour = Behaviour::Respond) {
    LoopbackHttpServer::Reply reply;
    reply.behaviour = behaviour;
    reply.body = body;
    server.SetReply(reply);
  }

  // Runs an update and says how long it took.
  std::chrono::milliseconds TimedUpdate(bool& result) {
    const auto start = std::chrono::steady_clock::now();
    result = UpdateConfigFile(platform);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }

  testing::ScratchDir dir;
  LoopbackHttpServer server;
  testing::MessageBoxWatcher watcher;
};

TEST_F(ConfigUpdateOverHttp, ValidDownloadReplacesConfigurationAndKeepsTheOldOneAsBackup) {
  WriteAll(ConfigFilePath(), kOldConfig);
  Serve(kNewConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_TRUE(watcher.Seen().empty());
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("\r\n")),
            "GET /bars/toolbar.ini HTTP/1.1");
}

TEST_F(ConfigUpdateOverHttp, RequestsGoUnderTheHostProgramsFileName) {
  Serve(kNewConfig);
  EXPECT_TRUE(UpdateConfigFile(platform));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(testing::HeaderValue(server.Requests()[0], "User-Agent"), ProgramFileName());
  EXPECT_EQ(ProgramFileName(), "toolbar_config_test.exe");
}

TEST_F(ConfigUpdateOverHttp, EveryUpdateAsksTheServerEvenWhenItsAnswerMayBeCached) {
  // A response that a cache may keep for an hour: the next update must still
  // reach the server. (How a cached copy is revalidated is the Internet
  // library's business: a conditional request where it answers from its cache,
  // a plain one where it does not.)
  LoopbackHttpServer::Reply reply;
  reply.headers = "Cache-Control: max-age=3600\r\nLast-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n";
  reply.body = kOldConfig;
  server.SetReply(reply);
  ASSERT_TRUE(UpdateConfigFile(platform));
  reply.body = kNewConfig;
  server.SetReply(reply);

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
}

// The server's 304 reaches the toolbar as a 304, and the request carries the
// toolbar's conditions and no others of the Internet library's own.
TEST_F(ConfigUpdateOverHttp, A304LeavesTheInstalledFileAndItsBackupUntouched) {
  WriteAll(ConfigFilePath(), kOldConfig);
  LoopbackHttpServer::Reply reply;
  reply.headers = "ETag: \"v1\"\r\nCache-Control: max-age=3600\r\n";
  reply.body = kNewConfig;
  server.SetReply(reply);
  ASSERT_TRUE(UpdateConfigFile(platform));
  ASSERT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
  WriteAll(BackupConfigFilePath(), "the backup as it stands");
  LoopbackHttpServer::Reply not_modified;
  not_modified.status = "304 Not Modified";
  server.SetReply(not_modified);

  EXPECT_TRUE(UpdateConfigFile(platform));

  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(testing::HeaderValue(server.Requests()[0], "If-None-Match"), "");
  EXPECT_EQ(testing::HeaderValue(server.Requests()[1], "If-None-Match"), "\"v1\"");
  EXPECT_EQ(testing::HeaderValue(server.Requests()[1], "If-Modified-Since"), "");
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), "the backup as it stands");
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(ConfigUpdateOverHttp, AnInstalledFileReplacedByHandIsFetchedUnconditionally) {
  LoopbackHttpServer::Reply reply;
  reply.headers = "ETag: \"v1\"\r\nLast-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n";
  reply.body = kNewConfig;
  server.SetReply(reply);
  ASSERT_TRUE(UpdateConfigFile(platform));
  ASSERT_TRUE(Exists(UpdateStateFilePath()));
  WriteAll(ConfigFilePath(), kOldConfig);

  EXPECT_TRUE(UpdateConfigFile(platform));

  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(testing::HeaderValue(server.Requests()[1], "If-None-Match"), "");
  EXPECT_EQ(testing::HeaderValue(server.Requests()[1], "If-Modified-Since"), "");
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_EQ(ReadAll(BackupConfigFilePath()), kOldConfig);
}

TEST_F(ConfigUpdateOverHttp, ErrorPageStaysUnderTheDownloadNameUntilTheNextUpdate) {
  WriteAll(ConfigFilePath(), kOldConfig);
  LoopbackHttpServer::Reply reply;
  reply.status = "404 Not Found";
  reply.headers = "Content-Type: text/html\r\n";
  reply.body = "<html><body>Not here</body></html>";
  server.SetReply(reply);

  EXPECT_TRUE(UpdateConfigFile(platform)) << "the installed configuration is still valid";

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_EQ(ReadAll(DownloadedConfigFilePath()), reply.body);
  EXPECT_FALSE(Exists(BackupConfigFilePath()));
  EXPECT_TRUE(watcher.Seen().empty());

  ToolbarConfig.UpdatesUrl = testing::UnusedLoopbackUrl();
  EXPECT_TRUE(UpdateConfigFile(platform));
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
}

TEST_F(ConfigUpdateOverHttp, DownloadWithoutToolbarNameIsNotInstalled) {
  WriteAll(ConfigFilePath(), kOldConfig);
  Serve("[Options]\r\nCompany Name=Somebody\r\n");

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_EQ(ReadAll(DownloadedConfigFilePath()), "[Options]\r\nCompany Name=Somebody\r\n");
}

TEST_F(ConfigUpdateOverHttp, BodyBrokenOffHalfwayIsNotInstalled) {
  WriteAll(ConfigFilePath(), kOldConfig);
  // Its first half alone would pass for a configuration.
  Serve(std::string(kNewConfig) + std::string(200, ';') + "\r\n", Behaviour::HalfThenClose);

  bool result = false;
  EXPECT_LT(TimedUpdate(result), std::chrono::seconds(30));

  EXPECT_TRUE(result);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_FALSE(Exists(BackupConfigFilePath()));
  EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(ConfigUpdateOverHttp, ServerThatNeverAnswersLeavesTheConfigurationInForce) {
  WriteAll(ConfigFilePath(), kOldConfig);
  Serve("", Behaviour::NeverAnswer);

  bool result = false;
  EXPECT_LT(TimedUpdate(result), std::chrono::seconds(30));

  EXPECT_TRUE(result);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
  EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(ConfigUpdateOverHttp, EndlessFastBodyIsCutOffAndNotInstalled) {
  WriteAll(ConfigFilePath(), kOldConfig);
  Serve(kNewConfig, Behaviour::EndlessFast);

  bool result = false;
  EXPECT_LT(TimedUpdate(result), std::chrono::seconds(30));

  EXPECT_TRUE(result);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
}

TEST_F(ConfigUpdateOverHttp, EndlessSlowBodyIsCutOffAndNotInstalled) {
  WriteAll(ConfigFilePath(), kOldConfig);
  Serve(kNewConfig, Behaviour::EndlessTrickle);

  bool result = false;
  EXPECT_LT(TimedUpdate(result), std::chrono::seconds(30));

  EXPECT_TRUE(result);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kOldConfig);
  EXPECT_FALSE(Exists(DownloadedConfigFilePath()));
}

TEST_F(ConfigUpdateOverHttp, NoConfigurationAnywhereShowsTheConfigurationError) {
  LoopbackHttpServer::Reply reply;
  reply.status = "404 Not Found";
  reply.body = "<html>gone</html>";
  server.SetReply(reply);

  EXPECT_FALSE(UpdateConfigFile(platform));

  const std::vector<testing::SeenBox> seen = watcher.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "Error");
  EXPECT_EQ(seen[0].text,
            "Error Loading Configuration File! MyBar.ini! Please contact Pendleworth, Inc.");
}

TEST_F(ConfigUpdateOverHttp, UnreachableSourceWithoutConfigurationShowsTheErrorWithEmptyCompany) {
  ToolbarConfig.UpdatesUrl = testing::UnusedLoopbackUrl();
  ToolbarConfig.CompanyName = "";

  EXPECT_FALSE(UpdateConfigFile(platform));

  const std::vector<testing::SeenBox> seen = watcher.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, "Error Loading Configuration File! MyBar.ini! Please contact ");
}

TEST_F(ConfigUpdateOverHttp, LongAddressIsCanonicalizedAndFetched) {
  const std::string path = "/" + std::string(300, 'a') + "/%7Ebars";
  ToolbarConfig.UpdatesUrl = server.BaseUrl() + path;
  Serve(kNewConfig);

  EXPECT_EQ(CanonicalizeUrl(platform, ToolbarConfig.UpdatesUrl),
            server.BaseUrl() + "/" + std::string(300, 'a') + "/~bars")
      << "escape sequences are decoded";
  EXPECT_TRUE(UpdateConfigFile(platform));

  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_NE(server.Requests()[0].find(std::string(300, 'a')), std::string::npos);
  EXPECT_EQ(ReadAll(ConfigFilePath()), kNewConfig);
  EXPECT_TRUE(watcher.Seen().empty());
}

}  // namespace
}  // namespace pq
