// An update for a user who may not write the install directory, with real
// files: the install directory is made unwritable for the run by the test's
// ctest fixture (an immutable directory, which even an administrator cannot
// write), and the user's folder is the system's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/toolbar_config.h"
#include "support/band_dll.h"
#include "support/loopback_http_server.h"
#include "support/message_box_watcher.h"
#include "support/scratch_key.h"
#include "support/whole_files.h"
#include "support/win32_ports.h"
#include "win32/protected_mode.h"

namespace pq {
namespace {

using testing::Exists;
using testing::LoopbackHttpServer;
using testing::ReadAll;

constexpr char kNewConfig[] = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=New\r\n";

// The directories the fixture locked, with the configuration it installed.
std::string LockedDir(const char* name) {
  return testing::WindowsPath(std::string(PQ_LOCKED_DIRS) + "/" + name);
}

bool Writable(const std::string& dir) {
  const std::string probe = dir + "\\probe.tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(probe.c_str());
  return true;
}

class UserUpdateOnWine : public ::testing::Test, protected testing::Win32Ports {
 protected:
  UserUpdateOnWine() {
    ToolbarConfig.InstallPath = LockedDir("install");
    ToolbarConfig.ToolbarFile = "MyBar";
    ToolbarConfig.ToolbarName = "My Bar " + std::to_string(GetCurrentProcessId());
    ToolbarConfig.CompanyName = kDefaultCompanyName;
    ToolbarConfig.UpdatesUrl = server.BaseUrl() + "/bars";
    server.SetReplyFor("/bars/toolbar.ini", Served(kNewConfig));
  }
  ~UserUpdateOnWine() override {
    if (!ToolbarConfig.UserConfigFolder.empty()) {
      for (const char* suffix : {".ini", " Default.ini", " Internet.ini", " Update.ini"})
        DeleteFileA((ToolbarConfig.UserConfigFolder + "\\MyBar" + suffix).c_str());
      RemoveDirectoryA(ToolbarConfig.UserConfigFolder.c_str());
    }
    ClearToolbarConfig();
  }
  static LoopbackHttpServer::Reply Served(const std::string& body) {
    LoopbackHttpServer::Reply reply;
    reply.body = body;
    return reply;
  }
  void SetUp() override {
    if (Writable(LockedDir("install")))
      GTEST_SKIP() << "the fixture could not lock the install directory (chattr needs root)";
  }

  LoopbackHttpServer server;
  testing::MessageBoxWatcher watcher;
};

TEST_F(UserUpdateOnWine, AnUpdateTheInstallDirectoryRefusesServesTheUserFromHisOwnFolder) {
  const std::string installed = ReadAll(ConfigFilePath());
  ASSERT_NE(installed.find("Company Name=Old"), std::string::npos);
  const std::string user_data = win32::WriteableUserDataFolder();
  ASSERT_FALSE(user_data.empty());
  ToolbarConfig.UserConfigFolder = user_data + "\\Pelliquester\\" + ToolbarConfig.ToolbarName;

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ReadAll(ConfigFilePath()), installed);
  EXPECT_EQ(ReadAll(UserConfigFilePath()), kNewConfig);
  EXPECT_EQ(ConfigFileInForce(), UserConfigFilePath());
  EXPECT_TRUE(watcher.Seen().empty()) << "no error box: the update simply went elsewhere";
}

TEST_F(UserUpdateOnWine, AnUpdateThatCanBeWrittenNowhereLeavesTheInstalledConfigurationSilently) {
  ToolbarConfig.UserConfigFolder = LockedDir("user");
  ASSERT_FALSE(Writable(ToolbarConfig.UserConfigFolder));

  EXPECT_TRUE(UpdateConfigFile(platform));

  EXPECT_EQ(ConfigFileInForce(), ConfigFilePath());
  EXPECT_FALSE(Exists(UserConfigFilePath()));
  EXPECT_NE(ReadAll(ConfigFilePath()).find("Company Name=Old"), std::string::npos);
  EXPECT_EQ(server.Requests().size(), 1u) << "it was fetched, and then had nowhere to go";
  EXPECT_TRUE(watcher.Seen().empty());
}

}  // namespace
}  // namespace pq
