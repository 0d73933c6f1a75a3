// A user without the rights to the machine's key and install folder: the
// toolbar keeps its state in places of his own, without a word, and reads
// them first.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/registry_store.h"
#include "fakes/forwarding_file_system.h"
#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class UserStateTest : public ToolbarWindowTest {
 protected:
  void Put(RegRoot root, const std::string& text) {
    registry.PutText(root, kBandKey, "Search", text);
  }
};

struct WriteCase {
  const char* name;
  std::optional<uint32_t> machine_refusal;  // the error opening the machine's key gives
  const char* machine_after;
  const char* user_after;
  std::vector<std::string> messages;
};

TEST_F(UserStateTest, WritesGoToTheUsersKeyOnlyWhenTheMachinesIsRefusedForLackOfRights) {
  const WriteCase cases[] = {
      {"writable", std::nullopt, "new", "<none>", {}},
      {"no rights", kErrorAccessDenied, "machine", "new", {}},
      {"other failure", kErrorKeyDeleted, "machine", "user", {"system message 1018"}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    Put(RegRoot::LocalMachine, "machine");
    Put(RegRoot::CurrentUser, "user");
    registry.deny_root.clear();
    if (c.machine_refusal) registry.deny_root[RegRoot::LocalMachine] = *c.machine_refusal;
    std::vector<std::string> shown;
    try {
      WriteToolbarSetting(platform, "Search", "new");
    } catch (const Error& error) {
      shown.push_back(error.what());
    }
    EXPECT_EQ(shown, c.messages);
    EXPECT_EQ(Stored("Search"), c.machine_after);
    // A machine value written removes the user's, which would hide it.
    EXPECT_EQ(Stored("Search", RegRoot::CurrentUser), c.user_after);
  }
}

TEST_F(UserStateTest, ReadsPreferTheUsersValueEvenWhenEmpty) {
  Put(RegRoot::LocalMachine, "machine");
  EXPECT_EQ(ReadToolbarSetting(platform, "Search"), "machine");
  for (const char* user : {"", "user"}) {
    Put(RegRoot::CurrentUser, user);
    EXPECT_EQ(ReadToolbarSetting(platform, "Search"), user);
  }
}

// The install folder refuses new files, as Program Files does to a user.
class LockedFolderFiles : public fakes::ForwardingFileSystem {
 public:
  LockedFolderFiles(FileSystem& real, std::string locked)
      : ForwardingFileSystem(real), locked_(std::move(locked)) {}
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override {
    if (path.rfind(locked_, 0) == 0) return FileWriteResult::Denied;
    return real_.WriteNew(path, contents);
  }

 private:
  std::string locked_;
};

TEST_F(UserStateTest, AWindowWithoutRightsWorksWithoutAnErrorAndKeepsItsStateForTheUser) {
  WriteConfig(
      "[Toolbar Items]\r\nSpeedBtn1=\r\n[SpeedBtn1]\r\nTag=111\r\nParent=Toolbar\r\n"
      "URL=http://speed.example/\r\n");
  WriteFile(HistoryPath(), "from the installation\r\n");
  registry.deny_root[RegRoot::LocalMachine] = kErrorAccessDenied;
  desktop.user_data_folder = root_.path().string() + "/user";
  LockedFolderFiles files(Files(), ToolbarConfig.InstallPath);
  InstallFileSystem(&files);
  Open();
  form->FormShow();
  ui.input_answer = "http://mine.example/";
  Click("miSpeedBtn1");
  Search("mine");
  fakes::FakeToolbarView other_view;
  TToolbarForm other(platform, other_view);
  other.FormCreate();
  form->FormDestroy();
  InstallFileSystem(nullptr);

  EXPECT_THAT(Messages(), IsEmpty());
  EXPECT_THAT(host->log, ElementsAre("navigate http://find.example/s?q=mine"));
  const std::string user_history = desktop.user_data_folder + "\\Pelliquester\\My Bar\\My Bar.txt";
  EXPECT_EQ(ReadFile(user_history), kHistoryMark + "from the installation\r\nmine\r\n");
  EXPECT_EQ(ReadFile(HistoryPath()), "from the installation\r\n");
  EXPECT_EQ(form->HistoryFileName(), user_history);
  EXPECT_THAT(other_view.search_list, ElementsAre("from the installation", "mine"));
  for (const char* name : {"Date", "Search", "Search Type"})
    EXPECT_NE(Stored(name, RegRoot::CurrentUser), "<none>") << name;
  EXPECT_EQ(Stored("SpeedBtn1", RegRoot::CurrentUser), "http://mine.example/");
  auto* restored = dynamic_cast<TTBCustomItem*>(other.FindComponent("SpeedBtn1"));
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->Hint, "http://mine.example/");
}

}  // namespace
}  // namespace pq
