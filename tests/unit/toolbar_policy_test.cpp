// Administrators' policies: where they are read and how they rank, among
// themselves and above the publisher's configuration and the user's own
// settings; what the update and the search history do under them.
#include "config/toolbar_policy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "fakes/fake_platform.h"
#include "fakes/thread_background.h"
#include "toolbar_window_fixture.h"
#include "update_texts.h"
#include "whole_files.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kBandKey = std::string(kExplorerBarsKey) + "\\" + kBandClassId;
const std::string kAllBars = kPolicyKey;
const std::string kMyBar = std::string(kPolicyKey) + "\\My Bar";
const std::string kOtherBar = std::string(kPolicyKey) + "\\Other Bar";

std::string Dword(uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return bytes;
}

// A switch as Group Policy writes it; -1: not written.
void PutSwitch(fakes::FakeRegistry& registry, RegRoot root, const std::string& path,
               const char* name, int value) {
  if (value >= 0) registry.Put(root, path, name, RegType::Dword, Dword(static_cast<uint32_t>(value)));
}

// ---------------------------------------------------------------------------
// Where a policy is read, and which one wins

TEST(ToolbarPolicyRead, MachineAboveUserAndTheToolbarsOwnAboveTheDllsWithinEach) {
  const struct {
    const char* what;
    int machine_bar, machine_all, user_bar, user_all, other_bar;  // DisableUpdates; -1: none
    std::optional<bool> updates_allowed;
  } cases[] = {
      {"no policy anywhere", -1, -1, -1, -1, -1, std::nullopt},
      {"the user's for all toolbars", -1, -1, -1, 1, -1, false},
      {"the user's for this toolbar above his for all", -1, -1, 0, 1, -1, true},
      {"the machine's for all above the user's for this toolbar", -1, 0, 1, -1, -1, true},
      {"the machine's for all above the user's for all", -1, 1, -1, 0, -1, false},
      {"the machine's for this toolbar above its for all", 0, 1, -1, -1, -1, true},
      {"the machine's for this toolbar above everything", 1, 0, 0, 0, -1, false},
      {"another toolbar's policy is not this one's", -1, -1, -1, -1, 1, std::nullopt},
      {"another toolbar's policy does not hide the DLL's", -1, -1, -1, 1, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeRegistry registry;
    PutSwitch(registry, RegRoot::LocalMachine, kMyBar, kPolicyDisableUpdates, c.machine_bar);
    PutSwitch(registry, RegRoot::LocalMachine, kAllBars, kPolicyDisableUpdates, c.machine_all);
    PutSwitch(registry, RegRoot::CurrentUser, kMyBar, kPolicyDisableUpdates, c.user_bar);
    PutSwitch(registry, RegRoot::CurrentUser, kAllBars, kPolicyDisableUpdates, c.user_all);
    PutSwitch(registry, RegRoot::LocalMachine, kOtherBar, kPolicyDisableUpdates, c.other_bar);
    EXPECT_EQ(ReadToolbarPolicy(registry, "My Bar").updates_allowed, c.updates_allowed);
  }
}

// Each value is looked up on its own: a key that sets one policy does not
// hide the others of a lower key.
TEST(ToolbarPolicyRead, EachValueComesFromTheFirstPlaceThatSetsIt) {
  fakes::FakeRegistry registry;
  PutSwitch(registry, RegRoot::LocalMachine, kMyBar, kPolicyDisableHistory, 1);
  registry.PutText(RegRoot::LocalMachine, kAllBars, kPolicyUpdatesUrl, "http://machine.example/bar");
  PutSwitch(registry, RegRoot::CurrentUser, kAllBars, kPolicyDisableSuggestions, 1);
  PutSwitch(registry, RegRoot::CurrentUser, kAllBars, kPolicyDisableHistory, 0);
  registry.PutText(RegRoot::CurrentUser, kMyBar, kPolicyUpdatesUrl, "http://user.example/bar");

  const ToolbarPolicy policy = ReadToolbarPolicy(registry, "My Bar");
  EXPECT_EQ(policy.history_allowed, false);
  EXPECT_EQ(policy.updates_url, "http://machine.example/bar");
  EXPECT_EQ(policy.suggestions_allowed, false);
  EXPECT_EQ(policy.updates_allowed, std::nullopt);
}

TEST(ToolbarPolicyRead, WithoutAToolbarNameOnlyTheDllWideKeysCount) {
  fakes::FakeRegistry registry;
  PutSwitch(registry, RegRoot::LocalMachine, kAllBars + "\\", kPolicyDisableHistory, 1);
  PutSwitch(registry, RegRoot::LocalMachine, kMyBar, kPolicyDisableUpdates, 1);
  PutSwitch(registry, RegRoot::CurrentUser, kAllBars, kPolicyDisableUpdates, 0);
  EXPECT_EQ(ReadToolbarPolicy(registry, "").updates_allowed, true);
}

// A value that is no setting of its kind leaves the decision to the next
// place, here the user's policy for all toolbars.
TEST(ToolbarPolicyRead, AValueOfTheWrongKindIsNoSetting) {
  const struct {
    const char* what;
    RegType type;
    std::string data;
    bool history_allowed;  // the user's policy allows it
  } switches[] = {
      {"DWORD 1", RegType::Dword, Dword(1), false},
      {"DWORD 2: any other than 0 switches it off", RegType::Dword, Dword(2), false},
      {"DWORD 0x100: the high bytes count", RegType::Dword, Dword(0x100), false},
      {"text 1, as reg add writes without a type", RegType::String, "1", false},
      {"text 1 with its terminator", RegType::String, std::string("1\0", 2), false},
      {"text yes", RegType::String, "yes", true},
      {"empty text", RegType::String, "", true},
      {"a DWORD of two bytes", RegType::Dword, std::string("\1\0", 2), true},
      {"binary", RegType::Binary, std::string("\1\0\0\0", 4), true},
  };
  for (const auto& c : switches) {
    SCOPED_TRACE(c.what);
    fakes::FakeRegistry registry;
    registry.Put(RegRoot::LocalMachine, kAllBars, kPolicyDisableHistory, c.type, c.data);
    PutSwitch(registry, RegRoot::CurrentUser, kAllBars, kPolicyDisableHistory, 0);
    EXPECT_EQ(ReadToolbarPolicy(registry, "My Bar").history_allowed, c.history_allowed);
  }

  const struct {
    const char* what;
    RegType type;
    std::string data;
    std::string pinned;
  } addresses[] = {
      {"text", RegType::String, "http://pinned.example/bar", "http://pinned.example/bar"},
      {"expandable text", RegType::ExpandString, "http://pinned.example/x", "http://pinned.example/x"},
      {"empty text", RegType::String, std::string("\0", 1), "http://user.example/bar"},
      {"a DWORD", RegType::Dword, Dword(1), "http://user.example/bar"},
  };
  for (const auto& c : addresses) {
    SCOPED_TRACE(c.what);
    fakes::FakeRegistry registry;
    registry.Put(RegRoot::LocalMachine, kMyBar, kPolicyUpdatesUrl, c.type, c.data);
    registry.PutText(RegRoot::CurrentUser, kAllBars, kPolicyUpdatesUrl, "http://user.example/bar");
    EXPECT_EQ(ReadToolbarPolicy(registry, "My Bar").updates_url, c.pinned);
  }
}

// ---------------------------------------------------------------------------
// The policy above the configuration and the user's own choice

TEST(ToolbarPolicyRank, APolicyWinsOverTheUsersChoiceWhichWinsOverTheConfiguration) {
  const struct {
    std::optional<bool> policy, user;
    bool configured;
    bool allowed;
  } cases[] = {
      {std::nullopt, std::nullopt, true, true},  {std::nullopt, std::nullopt, false, false},
      {std::nullopt, false, true, false},        {std::nullopt, true, false, true},
      {false, true, true, false},                {false, std::nullopt, true, false},
      {true, false, false, true},                {true, std::nullopt, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "policy " << c.policy.value_or(-1) << ", user "
                                      << c.user.value_or(-1) << ", configured " << c.configured);
    ToolbarPolicy policy;
    policy.suggestions_allowed = c.policy;
    EXPECT_EQ(SuggestionsAllowed(policy, c.user, c.configured), c.allowed);
  }
}

// ---------------------------------------------------------------------------
// The update under a policy

class PolicyUpdateTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  PolicyUpdateTest() {
    std::filesystem::create_directories(root_.path() / "install");
    registry.PutText(RegRoot::LocalMachine, kBandKey, "InstallPath", InstallDir());
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Toolbar Name", "My Bar");
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Toolbar File", "MyBar");
  }
  ~PolicyUpdateTest() override { ClearToolbarConfig(); }
  std::string InstallDir() const { return (root_.path() / "install").string(); }
  std::string ConfigPath() const { return InstallDir() + "\\MyBar.ini"; }
  void Install(const std::string& updates_url) {
    testing::WriteAll(ConfigPath(), testing::kOldConfig + "Updates URL=" + updates_url + "\r\n");
  }

  fakes::ScratchDir root_{"pq-policy"};
};

TEST_F(PolicyUpdateTest, TheUpdateBaseIsThePinnedAddressUnlessUpdatesAreOff) {
  const std::string pinned = "http://pinned.example/bar";
  const struct {
    const char* what;
    std::string configured;
    int disable_updates;  // -1: not set
    std::string pinned_url;
    std::string base;
  } cases[] = {
      {"no policy: the configuration's", testing::kUpdates, -1, "", testing::kUpdates},
      {"pinned: instead of the configuration's", testing::kUpdates, -1, pinned, pinned},
      {"pinned: also where the configuration has none", "", -1, pinned, pinned},
      {"updates off: nothing", testing::kUpdates, 1, "", ""},
      {"updates off: also with a pinned address", testing::kUpdates, 1, pinned, ""},
      {"updates kept on: the configuration still says where", "", 0, "", ""},
      {"updates kept on with a pinned address", "", 0, pinned, pinned},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry.DeleteTree(RegRoot::LocalMachine, kAllBars);
    PutSwitch(registry, RegRoot::LocalMachine, kAllBars, kPolicyDisableUpdates, c.disable_updates);
    if (!c.pinned_url.empty())
      registry.PutText(RegRoot::CurrentUser, kMyBar, kPolicyUpdatesUrl, c.pinned_url);
    else
      registry.DeleteTree(RegRoot::CurrentUser, kMyBar);
    Install(c.configured);
    LoadToolbarConfig(platform);
    EXPECT_EQ(UpdateBaseInForce(ToolbarConfig), c.base);
    EXPECT_EQ(ToolbarConfig.UpdatesUrl, c.configured) << "the configuration's own stays known";
  }
}

// Switched off, the update asks nothing, in the window's thread or in the
// background; pinned, it asks only the pinned address, and an update that
// names an address of its own does not move it.
TEST_F(PolicyUpdateTest, TheUpdateAsksOnlyWhatThePolicyLets) {
  const std::string pinned = "http://pinned.example/bar";
  const std::string served = testing::kNewConfig + "Updates URL=http://elsewhere.example/x\r\n";
  const struct {
    const char* what;
    bool background;
    bool updates_off;
    std::vector<std::string> opened;
    std::string company_after;
  } cases[] = {
      {"off, in the window's thread", false, true, {}, "Old"},
      {"off, in the background", true, true, {}, "Old"},
      {"pinned, in the window's thread", false, false, {pinned + "/toolbar.ini"}, "New"},
      {"pinned, in the background", true, false, {pinned + "/toolbar.ini"}, "New"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry.DeleteTree(RegRoot::LocalMachine, kAllBars);
    if (c.updates_off) PutSwitch(registry, RegRoot::LocalMachine, kAllBars, kPolicyDisableUpdates, 1);
    registry.PutText(RegRoot::LocalMachine, kMyBar, kPolicyUpdatesUrl, pinned);
    internet.opened.clear();
    internet.responses.clear();
    internet.responses[pinned + "/toolbar.ini"] = {served, served.size()};
    internet.responses[testing::kUpdateAddress] = {served, served.size()};
    Install(testing::kUpdates);
    LoadToolbarConfig(platform);
    fakes::ThreadBackground background;
    platform.background = c.background ? &background : nullptr;

    RefreshConfigFile(platform, 60000);
    background.JoinAll();
    platform.background = nullptr;

    EXPECT_EQ(internet.opened, c.opened);
    if (c.updates_off) {
      EXPECT_EQ(background.started, 0) << "no worker is even started";
    }
    EXPECT_THAT(ui.shown, IsEmpty());
    // A second start reads what is in force, and still asks the pinned address.
    LoadToolbarConfig(platform);
    EXPECT_EQ(ToolbarConfig.CompanyName, c.company_after);
    EXPECT_EQ(UpdateBaseInForce(ToolbarConfig), c.updates_off ? "" : pinned);
  }
}

// ---------------------------------------------------------------------------
// The search history under a policy

class PolicyHistoryTest : public ToolbarWindowTest {};

TEST_F(PolicyHistoryTest, WithoutHistoryNothingIsRecordedShownOrKept) {
  const struct {
    const char* what;
    std::optional<bool> history_allowed;
    std::vector<std::string> shown_at_start;
    std::string restored_text;
    std::string file_after;
    std::string saved_text_after;
    bool commands_enabled;
  } cases[] = {
      {"no policy", std::nullopt, {"earlier"}, "last", "earlier\r\nnew\r\n", "typed", true},
      {"history kept on", true, {"earlier"}, "last", "earlier\r\nnew\r\n", "typed", true},
      {"history off", false, {}, "", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig("[Toolbar Items]\r\n");
    WriteFile(HistoryPath(), "earlier\r\n");
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Search", "last");
    ToolbarConfig.Policy.history_allowed = c.history_allowed;
    view = fakes::FakeToolbarView();
    host->log.clear();

    Open();
    EXPECT_EQ(view.search_list, c.shown_at_start);
    EXPECT_EQ(view.search_text, c.restored_text);
    for (const char* command : {"miEditHistory", "miRefreshSearches", "miRemoveSelected",
                                "miClearSearches", "miSaveSearches", "miLoadSearches"})
      EXPECT_EQ(Item(command).Enabled, c.commands_enabled) << command;
    Search("new");
    EXPECT_THAT(host->log, ElementsAre("navigate http://find.example/s?q=new")) << "it searches";
    const std::string file = ReadFile(HistoryPath());
    EXPECT_EQ(file, c.file_after.empty() ? "earlier\r\n" : kHistoryMark + c.file_after);
    view.search_text = "typed";
    form->FormDestroy();
    EXPECT_EQ(Stored("Search"), c.saved_text_after);
    EXPECT_THAT(Messages(), IsEmpty());
  }
}

}  // namespace
}  // namespace pq
