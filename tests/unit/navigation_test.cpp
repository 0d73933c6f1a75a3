#include "nav/navigation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_desktop.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class NavigationTest : public ::testing::Test {
 protected:
  NavigationTest() { platform.desktop = &desktop; }
  fakes::FakeDesktop desktop;
  Platform platform;
  SeparateBrowser separate;
};

TEST_F(NavigationTest, HostingBrowserOpensEveryAddressAndNoOtherBrowserStarts) {
  auto host = std::make_shared<fakes::FakeHostBrowser>();
  const HostBrowserRef ref = host;
  NavigateTo(platform, ref, separate, "http://example.com/a");
  NavigateTo(platform, ref, separate, "mailto:someone@example.com");
  NavigateTo(platform, ref, separate, "C:\\Program Files\\x.htm");

  EXPECT_THAT(host->log,
              ElementsAre("navigate http://example.com/a", "navigate mailto:someone@example.com",
                          "navigate C:\\Program Files\\x.htm"));
  EXPECT_THAT(desktop.log, IsEmpty());
  EXPECT_TRUE(separate.Empty());
}

TEST_F(NavigationTest, HostingBrowserFailureReachesTheCaller) {
  auto host = std::make_shared<fakes::FakeHostBrowser>();
  host->fail = "Unspecified error";
  try {
    NavigateTo(platform, host, separate, "http://example.com/");
    FAIL() << "no error raised";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Unspecified error");
  }
  EXPECT_THAT(desktop.log, IsEmpty());
}

TEST_F(NavigationTest, AddressIsPassedOnExactlyAsGiven) {
  auto host = std::make_shared<fakes::FakeHostBrowser>();
  const std::string odd = " www.example.com/a b?q=\xE9t\xE9&x=[SEARCH] ";
  const std::string long_url = "http://example.com/?q=" + std::string(100000, 'x');
  NavigateTo(platform, host, separate, odd);
  NavigateTo(platform, host, separate, long_url);
  NavigateTo(platform, nullptr, separate, odd);
  ASSERT_EQ(host->log.size(), 2u);
  EXPECT_EQ(host->log[0], "navigate " + odd);
  EXPECT_EQ(host->log[1], "navigate " + long_url);
  EXPECT_EQ(desktop.log.back(), "browser1.navigate " + odd);
}

TEST_F(NavigationTest, FirstNavigationWithoutHostStartsAVisibleBrowserThere) {
  NavigateTo(platform, nullptr, separate, "http://example.com/");
  EXPECT_THAT(desktop.log, ElementsAre("create", "browser1.visible true",
                                       "browser1.navigate http://example.com/"));
  EXPECT_FALSE(separate.Empty());
}

TEST_F(NavigationTest, LaterNavigationReusesTheBrowserAndBringsAFrameToFront) {
  desktop.frame = 42;
  NavigateTo(platform, nullptr, separate, "http://example.com/1");
  desktop.log.clear();
  NavigateTo(platform, nullptr, separate, "mailto:someone@example.com");
  EXPECT_THAT(desktop.log, ElementsAre("find frame", "browser1.visible true",
                                       "browser1.navigate mailto:someone@example.com", "front 42"));
  EXPECT_EQ(desktop.browsers.size(), 1u);
}

TEST_F(NavigationTest, WithoutAnyFrameWindowTheHyperlinkServiceOpensTheAddress) {
  NavigateTo(platform, nullptr, separate, "http://example.com/1");
  desktop.log.clear();
  NavigateTo(platform, nullptr, separate, "http://example.com/2");
  EXPECT_THAT(desktop.log, ElementsAre("find frame", "hyperlink http://example.com/2"));
  // The held browser is neither asked nor let go.
  EXPECT_FALSE(desktop.browsers[0]->released);
  EXPECT_FALSE(separate.Empty());
}

// The hyperlink service opens whatever it is given with the program the
// system associates with it; a configured address reaches it only as a page
// or a mail to write.
TEST_F(NavigationTest, TheHyperlinkServiceIsGivenOnlyWebAndMailAddresses) {
  const struct {
    const char* address;
    const char* handed_on;  // nullptr: not opened
  } cases[] = {
      {"http://example.com/2", "http://example.com/2"},
      {"HTTPS://secure.example.com/", "HTTPS://secure.example.com/"},
      {"mailto:someone@example.com", "mailto:someone@example.com"},
      {"www.example.com", "http://www.example.com"},
      {"WWW.Example.com/news", "http://WWW.Example.com/news"},
      {"C:\\Windows\\system32\\calc.exe", nullptr},
      {"\\\\host\\share\\tool.exe", nullptr},
      {"file:///C:/Windows/notepad.exe", nullptr},
      {"ftp://ftp.example.com/pub/", nullptr},
      {"news:comp.lang.c", nullptr},
      {"javascript:alert(1)", nullptr},
      {"tool.exe", nullptr},
      {" http://padded.example.com/", nullptr},
      {"www", nullptr},
      {"", nullptr},
  };
  NavigateTo(platform, nullptr, separate, "http://example.com/1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    desktop.log.clear();
    NavigateTo(platform, nullptr, separate, c.address);
    if (c.handed_on)
      EXPECT_THAT(desktop.log, ElementsAre("find frame", std::string("hyperlink ") + c.handed_on));
    else
      EXPECT_THAT(desktop.log, ElementsAre("find frame"));
    EXPECT_FALSE(separate.Empty());
  }
}

TEST_F(NavigationTest, BrowserThatFailsToStartIsNotKeptAndTheNextNavigationTriesAgain) {
  desktop.fail_create = "Invalid class string";
  try {
    NavigateTo(platform, nullptr, separate, "http://example.com/");
    FAIL() << "no error raised";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Invalid class string");
  }
  EXPECT_TRUE(separate.Empty());

  desktop.fail_create.reset();
  desktop.log.clear();
  NavigateTo(platform, nullptr, separate, "http://example.com/");
  EXPECT_THAT(desktop.log, ElementsAre("create", "browser1.visible true",
                                       "browser1.navigate http://example.com/"));
}

// Showing the browser is no condition of navigating: a browser that refuses
// the Visible call still gets the address, and Navigate's result decides. A
// new or held browser is kept either way.
TEST_F(NavigationTest, ARefusedVisibleCallDoesNotStopTheNavigationAndTheBrowserIsKept) {
  for (const bool refused : {false, true})
    for (const bool held : {false, true})
      for (const bool fails : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "visible refused " << refused << ", held " << held
                                          << ", navigation fails " << fails);
        fakes::FakeDesktop fresh_desktop;
        fresh_desktop.frame = 7;
        platform.desktop = &fresh_desktop;
        SeparateBrowser browser;
        if (held) NavigateTo(platform, nullptr, browser, "http://example.com/1");
        fakes::FakeBrowserState& state =
            held ? *fresh_desktop.browsers[0] : fresh_desktop.new_browser;
        if (refused) state.fail_visible = "Member not found";
        if (fails) state.fail_navigate = "Unspecified error";
        fresh_desktop.log.clear();

        if (fails) {
          try {
            NavigateTo(platform, nullptr, browser, "http://example.com/2");
            ADD_FAILURE() << "the navigation's failure did not reach the caller";
          } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Unspecified error");
          }
        } else {
          EXPECT_NO_THROW(NavigateTo(platform, nullptr, browser, "http://example.com/2"));
        }
        std::vector<std::string> expected = {held ? "find frame" : "create",
                                             "browser1.visible true",
                                             "browser1.navigate http://example.com/2"};
        if (held && !fails) expected.push_back("front 7");
        EXPECT_EQ(fresh_desktop.log, expected);
        ASSERT_EQ(fresh_desktop.browsers.size(), 1u) << "the browser is kept, not replaced";
        EXPECT_FALSE(fresh_desktop.browsers[0]->released);
        EXPECT_FALSE(browser.Empty());
      }
}

TEST_F(NavigationTest, HeldBrowserFailureReachesTheCallerAndTheBrowserStaysHeld) {
  desktop.frame = 7;
  NavigateTo(platform, nullptr, separate, "http://example.com/1");
  desktop.browsers[0]->fail_navigate = "Unspecified error";
  desktop.log.clear();
  EXPECT_THROW(NavigateTo(platform, nullptr, separate, "http://example.com/2"), Error);
  EXPECT_THAT(desktop.log, ElementsAre("find frame", "browser1.visible true",
                                       "browser1.navigate http://example.com/2"));
  EXPECT_FALSE(desktop.browsers[0]->released);
  EXPECT_EQ(desktop.browsers.size(), 1u);
}

TEST_F(NavigationTest, BrowserClosedByTheUserIsReplacedByANewOneThatOpensTheAddress) {
  desktop.frame = 7;  // some other browser window is still open
  NavigateTo(platform, nullptr, separate, "http://example.com/1");
  desktop.browsers[0]->gone = true;
  desktop.log.clear();

  NavigateTo(platform, nullptr, separate, "http://example.com/2");
  EXPECT_THAT(desktop.log,
              ElementsAre("find frame", "browser1.visible true", "create", "browser2.visible true",
                          "browser2.navigate http://example.com/2"));
  EXPECT_TRUE(desktop.browsers[0]->released);

  desktop.log.clear();
  NavigateTo(platform, nullptr, separate, "http://example.com/3");
  EXPECT_THAT(desktop.log, ElementsAre("find frame", "browser2.visible true",
                                       "browser2.navigate http://example.com/3", "front 7"));
}

TEST_F(NavigationTest, GoneBrowserWhoseReplacementFailsToStartLeavesNothingHeld) {
  desktop.frame = 7;
  NavigateTo(platform, nullptr, separate, "http://example.com/1");
  desktop.browsers[0]->gone = true;
  desktop.fail_create = "Server execution failed";
  EXPECT_THROW(NavigateTo(platform, nullptr, separate, "http://example.com/2"), Error);
  EXPECT_TRUE(separate.Empty());

  desktop.fail_create.reset();
  desktop.log.clear();
  NavigateTo(platform, nullptr, separate, "http://example.com/3");
  EXPECT_THAT(desktop.log, ElementsAre("create", "browser2.visible true",
                                       "browser2.navigate http://example.com/3"));
}

// A browser is gone when its server ended: closed by the user, or ending
// just as it was reached. One gone browser is replaced by a new one, and only
// a second in a row reaches the user; any other failure reaches him at once.
TEST_F(NavigationTest, AGoneBrowserIsReplacedOnceAndOtherFailuresReachTheCallerAtOnce) {
  enum Fate { Opens, Gone, GoneAtStart, Fails, FailsToStart };
  const struct {
    bool held;                // a browser is held before, and a frame window open
    std::vector<Fate> fates;  // of the held browser, if any, then of each one started
    const char* log;
    const char* error;  // "": none
    int held_after;     // the number of the browser held afterwards; 0: none
  } cases[] = {
      // clang-format off
      {false, {Gone, Opens},
       "create; browser1.visible true; create; browser2.visible true; browser2.navigate U", "", 2},
      {false, {GoneAtStart, Opens},
       "create; create; browser1.visible true; browser1.navigate U", "", 1},
      {false, {Gone, Gone}, "create; browser1.visible true; create; browser2.visible true",
       "browser browser2 is gone", 0},
      {false, {GoneAtStart, GoneAtStart}, "create; create", "the browser ended as it was reached", 0},
      {false, {Fails}, "create; browser1.visible true; browser1.navigate U", "Unspecified error", 1},
      {false, {FailsToStart}, "create", "Server execution failed", 0},
      {false, {Gone, FailsToStart}, "create; browser1.visible true; create",
       "Server execution failed", 0},
      {true, {Gone, Opens},
       "find frame; browser1.visible true; create; browser2.visible true; browser2.navigate U", "",
       2},
      {true, {Gone, Gone}, "find frame; browser1.visible true; create; browser2.visible true",
       "browser browser2 is gone", 0},
      {true, {Gone, GoneAtStart}, "find frame; browser1.visible true; create",
       "the browser ended as it was reached", 0},
      {true, {Fails}, "find frame; browser1.visible true; browser1.navigate U",
       "Unspecified error", 1},
      // clang-format on
  };
  auto state_for = [](Fate fate) {
    fakes::FakeBrowserState state;
    state.gone = fate == Gone;
    state.gone_at_start = fate == GoneAtStart;
    if (fate == Fails) state.fail_navigate = "Unspecified error";
    if (fate == FailsToStart) state.fail_start = "Server execution failed";
    return state;
  };
  for (const auto& c : cases) {
    fakes::FakeDesktop fresh_desktop;
    fresh_desktop.frame = 7;
    platform.desktop = &fresh_desktop;
    SeparateBrowser browser;
    if (c.held) {
      NavigateTo(platform, nullptr, browser, "first");
      fresh_desktop.browsers[0]->gone = c.fates[0] == Gone;
      if (c.fates[0] == Fails) fresh_desktop.browsers[0]->fail_navigate = "Unspecified error";
      fresh_desktop.log.clear();
    }
    for (size_t i = c.held ? 1 : 0; i < c.fates.size(); ++i)
      fresh_desktop.upcoming.push_back(state_for(c.fates[i]));

    std::string error, log;
    try {
      NavigateTo(platform, nullptr, browser, "U");
    } catch (const Error& raised) {
      error = raised.what();
    }
    for (const std::string& call : fresh_desktop.log) log += (log.empty() ? "" : "; ") + call;
    SCOPED_TRACE(c.log);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(log, c.log);
    EXPECT_EQ(browser.Empty(), c.held_after == 0);
    for (const auto& started : fresh_desktop.browsers)
      EXPECT_EQ(started->released, started->number != c.held_after) << "browser" << started->number;
  }
}

TEST_F(NavigationTest, EachOwnerStartsItsOwnBrowserAndLettingGoLeavesItOpen) {
  {
    SeparateBrowser band_browser;
    NavigateTo(platform, nullptr, separate, "http://example.com/form");
    NavigateTo(platform, nullptr, band_browser, "http://example.com/band");
    EXPECT_EQ(desktop.browsers.size(), 2u);
    EXPECT_FALSE(desktop.browsers[1]->released);
  }
  // Released with its owner; nothing is asked of it on the way out.
  EXPECT_TRUE(desktop.browsers[1]->released);
  EXPECT_EQ(desktop.log.back(), "browser2.navigate http://example.com/band");
}

TEST_F(NavigationTest, ShellOpenHandsTheTargetToTheShellUnchanged) {
  ShellOpen(platform, "C:\\Program Files\\Toolbar\\Search History.txt");
  ShellOpen(platform, "http://example.com/?a=1&b=2");
  EXPECT_THAT(desktop.log, ElementsAre("shell C:\\Program Files\\Toolbar\\Search History.txt",
                                       "shell http://example.com/?a=1&b=2"));
}

}  // namespace
}  // namespace pq
