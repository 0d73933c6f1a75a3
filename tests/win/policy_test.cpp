// Administrators' policies as Group Policy leaves them in the registry: a
// browser window of the built module asks no update server while updates are
// off and asks only the pinned address when one is pinned; a window without
// history records, shows and keeps no search.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlwapi.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "config/toolbar_policy.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_internet.h"
#include "fakes/fake_toolbar_view.h"
#include "fakes/fake_user_interface.h"
#include "support/band_dll.h"
#include "support/installed_band.h"
#include "support/loopback_http_server.h"
#include "support/scratch_key.h"
#include "support/shown_band.h"
#include "support/test_site.h"
#include "support/whole_files.h"
#include "support/win32_ports.h"
#include "toolbar/toolbar_form.h"
#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

using ui_kit::WaitUntil;

const std::string kBandKey =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);

// Written where Group Policy writes, the system's own view of the registry.
void SetPolicy(HKEY root, const std::string& path, const char* name, DWORD type,
               const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + (type == REG_SZ ? 1 : 0))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}
void SetSwitch(HKEY root, const std::string& path, const char* name, DWORD on) {
  SetPolicy(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&on), 4));
}
void RemovePolicies() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    HKEY policies = nullptr;
    if (RegOpenKeyExA(root, "SOFTWARE\\Policies", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                      &policies) != ERROR_SUCCESS)
      continue;
    SHDeleteKeyA(policies, "Pelliquester");
    RegCloseKey(policies);
  }
}

std::string Configuration(const std::string& updates_url, const std::string& button) {
  return "[Options]\r\nToolbar Name=PolBar\r\nUpdates URL=" + updates_url +
         "\r\n[Toolbar Items]\r\n" + button + "=\r\n[" + button + "]\r\nCaption=" + button +
         "\r\nURL=http://www.example.com/" + button + "\r\nParent=Toolbar\r\n";
}

class PolicyUpdate : public InstalledBandTest {
 protected:
  PolicyUpdate() : InstalledBandTest("PolBar") { RemovePolicies(); }
  ~PolicyUpdate() override {
    FinishAndUnload();
    RemovePolicies();
  }
};

TEST_F(PolicyUpdate, UpdatesOffAskNothingAndAPinnedAddressIsTheOnlyOneAsked) {
  const std::string configured = "/bars";
  const std::string pinned = "/pinned";
  const struct {
    const char* what;
    bool updates_off;
    bool pin;
    size_t configured_requests, pinned_requests;
    const char* shown;
  } cases[] = {
      {"no policy: the configuration's address", false, false, 1, 0, "Updated"},
      {"updates off for all toolbars of the machine", true, true, 0, 0, "Installed"},
      {"the address pinned for this toolbar", false, true, 0, 1, "Pinned"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemovePolicies();
    DeleteFileA(dir.File("PolBar Update.ini").c_str());
    if (c.updates_off) {
      SetSwitch(HKEY_LOCAL_MACHINE, kPolicyKey, kPolicyDisableUpdates, 1);
    }
    if (c.pin) {
      SetPolicy(HKEY_LOCAL_MACHINE, std::string(kPolicyKey) + "\\PolBar", kPolicyUpdatesUrl,
                REG_SZ, server.BaseUrl() + pinned);
    }
    LoopbackHttpServer::Reply reply;
    reply.body = Configuration(server.BaseUrl() + configured, "Updated");
    server.SetReplyFor(configured + "/toolbar.ini", reply);
    reply.body = Configuration(server.BaseUrl() + configured, "Pinned");
    server.SetReplyFor(pinned + "/toolbar.ini", reply);
    const size_t configured_before = RequestsFor(configured + "/toolbar.ini");
    const size_t pinned_before = RequestsFor(pinned + "/toolbar.ini");
    WriteAll(dir.File("PolBar.ini"), Configuration(server.BaseUrl() + configured, "Installed"));
    dll = std::make_unique<BandDll>();

    (void)OpenWindow();
    // Whatever the window started has ended before anything is counted.
    ASSERT_TRUE(WaitUntil([&] { return dll->CanUnloadNow() == S_OK; }, 30000));
    const std::vector<std::string> captions = OpenWindow().captions;
    ASSERT_TRUE(WaitUntil([&] { return dll->CanUnloadNow() == S_OK; }, 30000));

    EXPECT_EQ(RequestsFor(configured + "/toolbar.ini") - configured_before,
              c.configured_requests * 2);
    EXPECT_EQ(RequestsFor(pinned + "/toolbar.ini") - pinned_before, c.pinned_requests * 2);
    EXPECT_NE(std::find(captions.begin(), captions.end(), c.shown), captions.end());
    UnloadDll();
  }
}

// The core with the real registry and files: the user's policy switches the
// history off.
TEST(PolicyHistory, AUsersPolicyKeepsSearchesOutOfTheHistoryAndTheRegistry) {
  RemovePolicies();
  SetSwitch(HKEY_CURRENT_USER, kPolicyKey, kPolicyDisableHistory, 1);
  ScratchDir dir;
  ScratchKey key;
  Win32Ports real;
  fakes::FakeUserInterface ui;
  fakes::FakeDesktop desktop;
  fakes::FakeInternet internet;
  Platform& platform = real.platform;
  platform.ui = &ui;
  platform.desktop = &desktop;
  platform.internet = &internet;
  ToolbarConfigRecord& config = ToolbarConfig;
  config.BandClassId = kBandClassId;
  config.BandKeyPath = key.path();
  config.InstallPath = dir.path();
  config.ToolbarFile = "My Bar";
  config.ToolbarName = "My Bar";
  config.SearchUrl = "http://find.example/?q=[SEARCH]";
  config.Policy = ReadToolbarPolicy(*platform.registry, config.ToolbarName);
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.path().c_str(), "Search", REG_SZ, "earlier", 8);
  const std::string history = dir.File("My Bar.txt");
  WriteAll(history, "kept\r\n");

  fakes::FakeToolbarView view;
  auto form = std::make_unique<TToolbarForm>(platform, view);
  form->FormCreate();
  form->HostBrowser = std::make_shared<fakes::FakeHostBrowser>();
  EXPECT_TRUE(view.search_list.empty()) << "nothing shown from the file";
  EXPECT_EQ(view.search_text, "") << "the last search is not brought back";
  view.search_text = "secret";
  char enter = '\r';
  form->SearchBoxKeyPress(enter);
  form->FormDestroy();
  form.reset();

  EXPECT_EQ(ReadAll(history), "kept\r\n");
  char data[64] = {};
  DWORD size = sizeof data;
  EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, key.path().c_str(), "Search", RRF_RT_REG_SZ, nullptr,
                         data, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(data, "");
  EXPECT_TRUE(ui.shown.empty());
  ClearToolbarConfig();
  RemovePolicies();
}

}  // namespace
}  // namespace pq::testing
