// The configuration update as browser windows meet it, through the built
// module: the window never waits on the update server longer than its
// budget, a late update serves the next window, an interval spares requests,
// and the module stays loaded while an update runs, until it ends or is
// cancelled. A loopback server of the test's own plays the update server.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlwapi.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "config/toolbar_config.h"
#include "support/band_dll.h"
#include "support/installed_band.h"
#include "support/loopback_http_server.h"
#include "support/scratch_key.h"
#include "support/shown_band.h"
#include "support/test_site.h"
#include "support/whole_files.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

using std::chrono::milliseconds;
using ui_kit::DescendantOfClass;
using ui_kit::WaitUntil;

const std::string kBandKey =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);
constexpr char kUpdatePath[] = "/bars/toolbar.ini";
// Making a toolbar window costs Wine some time of its own, on top of the
// budget: a window counts as not waiting on the network when it is complete
// within the budget and this margin, well below any of the network's timeouts
// (5 seconds each).
constexpr milliseconds kWineMargin{1500};

std::string Configuration(const std::string& updates_url, const std::string& button,
                          const std::string& options = "") {
  return "[Options]\r\nToolbar Name=BgBar\r\nUpdates URL=" + updates_url + "\r\n" + options +
         "[Toolbar Items]\r\n" + button + "=\r\n[" + button + "]\r\nCaption=" + button +
         "\r\nURL=http://www.example.com/" + button + "\r\nParent=Toolbar\r\n";
}

bool Has(const std::vector<std::string>& captions, const std::string& caption) {
  return std::find(captions.begin(), captions.end(), caption) != captions.end();
}

class BackgroundUpdate : public InstalledBandTest {
 protected:
  BackgroundUpdate() : InstalledBandTest("BgBar") {}

  std::string ConfigPath() const { return dir.File("BgBar.ini"); }
  std::string UpdatesUrl() const { return server.BaseUrl() + "/bars"; }

  // Installs the configuration and loads the module, which reads it.
  void Install(const std::string& options = "") {
    WriteAll(ConfigPath(), Configuration(UpdatesUrl(), "Installed", options));
    dll = std::make_unique<BandDll>();
  }
  void Serve(LoopbackHttpServer::Reply reply) {
    reply.body = Configuration(UpdatesUrl(), "Updated");
    server.SetReplyFor(kUpdatePath, reply);
  }
  size_t UpdateRequests() const { return RequestsFor(kUpdatePath); }
  bool UpdateInstalled() {
    return WaitUntil([&] { return ReadAll(ConfigPath()).find("Updated") != std::string::npos; },
                     20000);
  }
};

TEST_F(BackgroundUpdate, ASlowServerNeverHoldsTheWindowAndItsUpdateServesTheNextOne) {
  const struct {
    const char* what;
    bool silent;  // else one byte a second
  } cases[] = {
      {"a server that accepts and does not answer", true},
      {"a server that answers one byte a second", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::promise<void> answer;
    LoopbackHttpServer::Reply reply;
    if (c.silent) {
      reply.held_until = answer.get_future().share();
    } else {
      answer.set_value();  // answered at once, on a thread of its own, slowly
      reply.held_until = answer.get_future().share();
      reply.behaviour = LoopbackHttpServer::Behaviour::Trickle;
      reply.slow_bytes = 3;
    }
    Serve(reply);
    Install();
    const size_t before = UpdateRequests();

    const Shown first = OpenWindow();
    std::printf("[ measure ] %s: window complete after %lld ms\n", c.what,
                static_cast<long long>(first.took.count()));

    EXPECT_LT(first.took, milliseconds(kUpdateBudgetMs) + kWineMargin);
    EXPECT_TRUE(Has(first.captions, "Installed"));
    EXPECT_FALSE(Has(first.captions, "Updated"));
    EXPECT_TRUE(WaitUntil([&] { return UpdateRequests() == before + 1; }, 5000)) << "it was asked";
    if (c.silent) answer.set_value();  // the answer comes after all, late
    ASSERT_TRUE(UpdateInstalled()) << "the late update was installed";
    const Shown second = OpenWindow();
    EXPECT_TRUE(Has(second.captions, "Updated"));
    EXPECT_FALSE(Has(second.captions, "Installed"));

    EXPECT_TRUE(WaitUntil([&] { return dll->CanUnloadNow() == S_OK; }, 30000));
    UnloadDll();
  }
}

TEST_F(BackgroundUpdate, APromptServersUpdateShowsInTheSameWindow) {
  Serve(LoopbackHttpServer::Reply{});
  Install();

  const Shown shown = OpenWindow();
  std::printf("[ measure ] a prompt server: window complete after %lld ms\n",
              static_cast<long long>(shown.took.count()));

  EXPECT_TRUE(Has(shown.captions, "Updated"));
  EXPECT_FALSE(Has(shown.captions, "Installed"));
  EXPECT_EQ(UpdateRequests(), 1u);
}

TEST_F(BackgroundUpdate, TwoWindowsWithinTheUpdateIntervalMakeOneRequest) {
  const struct {
    const char* options;
    size_t requests;
  } cases[] = {
      {"Update Interval=60\r\n", 1},
      {"", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    DeleteFileA(dir.File("BgBar Update.ini").c_str());
    const size_t before = UpdateRequests();
    LoopbackHttpServer::Reply reply;
    reply.body = Configuration(UpdatesUrl(), "Installed", c.options);
    server.SetReplyFor(kUpdatePath, reply);
    Install(c.options);

    (void)OpenWindow();
    ASSERT_TRUE(WaitUntil([&] { return UpdateRequests() == before + 1; }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir.File("BgBar Update.ini")); }, 5000));
    (void)OpenWindow();
    // The second window's update, if any, ends before the module is let go.
    EXPECT_TRUE(WaitUntil([&] { return dll->CanUnloadNow() == S_OK; }, 30000));

    EXPECT_EQ(UpdateRequests(), before + c.requests);
    UnloadDll();
  }
}

// The module answers S_FALSE while an update runs. Once nothing else holds it,
// asking also cancels the update; it answers S_OK when the update has ended.
TEST_F(BackgroundUpdate, TheModuleStaysLoadedWhileAnUpdateRunsUntilItEndsOrIsCancelled) {
  const struct {
    const char* what;
    bool window_open;     // a window holds the module while the update ends
    int answer_after_ms;  // when the server answers; -1: never
    bool installs;
  } cases[] = {
      {"the update ends while a window is open", true, 500, true},
      {"cancelled; the server answers right after", false, 300, false},
      {"cancelled; the server never answers", false, -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::promise<void> answer;
    LoopbackHttpServer::Reply reply;
    reply.held_until = answer.get_future().share();
    Serve(reply);
    Install();

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll->GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IDeskBand> band;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
    factory.Reset();
    TestSite site(SiteWindow());
    ComPtr<IObjectWithSite> with_site;
    ASSERT_EQ(band.As(&with_site), S_OK);
    ASSERT_EQ(with_site->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
    (void)ShowSitedBand(band.Get());
    ASSERT_TRUE(WaitUntil([&] { return UpdateRequests() >= 1; }, 5000));
    if (!c.window_open) {
      band->CloseDW(0);
      with_site->SetSite(nullptr);
      with_site.Reset();
      band.Reset();
    }

    EXPECT_EQ(dll->CanUnloadNow(), S_FALSE) << "an update is under way";
    const auto asked = std::chrono::steady_clock::now();
    if (c.answer_after_ms >= 0) {
      Sleep(static_cast<DWORD>(c.answer_after_ms));
      answer.set_value();
    }
    if (c.window_open) {
      ASSERT_TRUE(UpdateInstalled());
      band->CloseDW(0);
      with_site->SetSite(nullptr);
      with_site.Reset();
      band.Reset();
    }
    EXPECT_TRUE(WaitUntil([&] { return dll->CanUnloadNow() == S_OK; }, 30000));
    std::printf("[ measure ] %s: S_OK %lld ms after the first S_FALSE\n", c.what,
                static_cast<long long>(std::chrono::duration_cast<milliseconds>(
                                           std::chrono::steady_clock::now() - asked)
                                           .count()));
    EXPECT_EQ(ReadAll(ConfigPath()).find("Updated") != std::string::npos, c.installs);
    EXPECT_FALSE(Exists(dir.File("BgBar Internet.ini")));
    if (c.answer_after_ms < 0) answer.set_value();
    UnloadDll();
    server.SetReplyFor(kUpdatePath, LoopbackHttpServer::Reply{});
  }
}

}  // namespace
}  // namespace pq::testing
