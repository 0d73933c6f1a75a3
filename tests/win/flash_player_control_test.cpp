// The movie player adapter against a stand-in control of the tests' own,
// registered under the player's class identifier and hosted by the system's
// atl.dll.
#include "win32/flash_player_control.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "flash_stand_in/flash_stand_in.h"
#include "platform/error.h"
#include "support/band_dll.h"
#include "support/message_pump.h"
#include "support/window_finder.h"
#include "win32/com_support.h"
#include "win32/screen_dpi.h"

namespace pq {
namespace {

using testing::ChildrenOf;
using testing::ClassOf;

constexpr char kPlayerKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}";
constexpr DWORD kEventWait = 10000;

// The player's class, served by the stand-in for as long as this lives. In the
// classes of the machine: Wine's COM reads no per-user classes, and the
// prefix the tests run in is theirs alone.
class PlayerRegistration {
 public:
  PlayerRegistration() {
    const std::string server = testing::WindowsPath(PQ_FLASH_STAND_IN);
    const std::string key = std::string(kPlayerKey) + "\\InprocServer32";
    RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, server.c_str(),
                    static_cast<DWORD>(server.size() + 1));
    RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), "ThreadingModel", REG_SZ, "Apartment",
                    sizeof "Apartment");
  }
  ~PlayerRegistration() { RegDeleteTreeA(HKEY_CLASSES_ROOT, kPlayerKey); }
  PlayerRegistration(const PlayerRegistration&) = delete;
  PlayerRegistration& operator=(const PlayerRegistration&) = delete;
};

// The stand-in's exports: its log and its switches.
struct StandIn {
  HMODULE module = LoadLibraryA(testing::WindowsPath(PQ_FLASH_STAND_IN).c_str());
  StandInLogFn Log = Export<StandInLogFn>("StandInLog");
  StandInResetFn Reset = Export<StandInResetFn>("StandInReset");
  StandInObjectsFn Objects = Export<StandInObjectsFn>("StandInObjects");

  template <typename Fn>
  Fn Export(const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> entries;
    std::string text = Log();
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      entries.push_back(text.substr(start, end - start));
    return entries;
  }
};

// True when `expected` occurs in `entries` in this order, others between.
bool InOrder(const std::vector<std::string>& entries, const std::vector<std::string>& expected) {
  size_t next = 0;
  for (const std::string& entry : entries)
    if (next < expected.size() && entry == expected[next]) ++next;
  return next == expected.size();
}

std::string Joined(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += entry + "; ";
  return text;
}

class FlashPlayerControl : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    OleInitialize(nullptr);
    // One window for the whole program: top-level windows are slow to make here.
    frame_ = CreateWindowExA(0, "STATIC", "Banner test", WS_POPUP | WS_VISIBLE, 40, 40, 300, 100,
                             nullptr, nullptr, nullptr, nullptr);
  }
  static void TearDownTestSuite() { DestroyWindow(frame_); }

  void SetUp() override {
    ASSERT_TRUE(stand_in_.Log && stand_in_.Reset && stand_in_.Objects)
        << "the stand-in control was not built beside the test";
    stand_in_.Reset(0);
    banner_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 107, 22, frame_,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(banner_, nullptr);
  }
  void TearDown() override { DestroyWindow(banner_); }

  HWND Host() const { return FindWindowExA(banner_, nullptr, "AtlAxWin", nullptr); }

  static HWND frame_;
  HWND banner_ = nullptr;
  StandIn stand_in_;
};

HWND FlashPlayerControl::frame_ = nullptr;

TEST_F(FlashPlayerControl, HostsTheControlInAHiddenChildOfTheBannerArea) {
  PlayerRegistration registration;
  const auto player = win32::CreateWin32FlashPlayer(banner_);

  const std::vector<HWND> children = ChildrenOf(banner_);
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(ClassOf(children[0]), "AtlAxWin");
  EXPECT_FALSE(IsWindowVisible(children[0]));
  EXPECT_EQ(stand_in_.Objects(), 1);
  // Embedded in place by the host, connected to by the adapter.
  EXPECT_TRUE(InOrder(stand_in_.Entries(), {"create", "site", "activate", "advise"}))
      << Joined(stand_in_.Entries());
}

struct EventSource {
  const char* name;
  int options;
  bool asks_the_control;
};

class FlashPlayerEvents : public FlashPlayerControl,
                          public ::testing::WithParamInterface<EventSource> {};

TEST_P(FlashPlayerEvents, MovieStopAndPlayReachTheControlAndReadyStatesComeBack) {
  PlayerRegistration registration;
  stand_in_.Reset(GetParam().options);
  const auto player = win32::CreateWin32FlashPlayer(banner_);
  std::vector<int32_t> states;
  FlashPlayer* sender = nullptr;
  player->OnReadyStateChange = [&](FlashPlayer& from, int32_t state) {
    sender = &from;
    states.push_back(state);
  };

  player->Stop();
  player->SetMovie("http://127.0.0.1/banner \xE9t\xE9.swf");
  ASSERT_TRUE(testing::PumpMessagesUntil(
      [&] { return !states.empty() && states.back() == kFlashReadyStateComplete; }, kEventWait))
      << "states seen: " << states.size();
  player->Play();

  EXPECT_EQ(states, (std::vector<int32_t>{3, kFlashReadyStateComplete}));
  EXPECT_EQ(sender, player.get());
  const std::vector<std::string> entries = stand_in_.Entries();
  EXPECT_TRUE(InOrder(entries, {"advise", "stop", "movie http://127.0.0.1/banner \xE9t\xE9.swf",
                                "fired 3", "fired 4", "play"}))
      << Joined(entries);
  const bool asked = InOrder(entries, {"events asked"});
  EXPECT_EQ(asked, GetParam().asks_the_control) << Joined(entries);
}

INSTANTIATE_TEST_SUITE_P(EventInterface, FlashPlayerEvents,
                         ::testing::Values(EventSource{"ToldByTheControl", 0, true},
                                           EventSource{"ThePlayersPublishedOne",
                                                       STAND_IN_NO_CLASS_INFO, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashPlayerControl, BoundsAreDesignPixelsAtTheScreensScaleAndVisibilityIsTheHosts) {
  PlayerRegistration registration;
  const auto player = win32::CreateWin32FlashPlayer(banner_);
  HWND host = Host();
  ASSERT_NE(host, nullptr);
  const int dpi = win32::ScreenDpi();

  player->SetBounds(1, 0, 105, 22);
  player->SetVisible(true);

  const RECT place = testing::PlaceInParent(host);
  EXPECT_EQ(place.left, win32::ScaleForDpi(1, dpi));
  EXPECT_EQ(place.top, 0);
  EXPECT_EQ(place.right - place.left, win32::ScaleForDpi(105, dpi));
  EXPECT_EQ(place.bottom - place.top, win32::ScaleForDpi(22, dpi));
  EXPECT_TRUE(IsWindowVisible(host));
  // The host passes its size on to the control's own window.
  HWND view = GetWindow(host, GW_CHILD);
  ASSERT_NE(view, nullptr);
  RECT view_area{};
  GetClientRect(view, &view_area);
  EXPECT_EQ(view_area.right, win32::ScaleForDpi(105, dpi));
  EXPECT_EQ(view_area.bottom, win32::ScaleForDpi(22, dpi));

  player->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(host));
}

TEST_F(FlashPlayerControl, TabOrderIsThePlaceAmongTheBannerAreasChildren) {
  PlayerRegistration registration;
  HWND picture = CreateWindowExA(0, "STATIC", "picture", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0,
                                 105, 22, banner_, nullptr, nullptr, nullptr);
  const auto player = win32::CreateWin32FlashPlayer(banner_);
  HWND host = Host();

  player->SetTabOrder(0);
  EXPECT_EQ(ChildrenOf(banner_), (std::vector<HWND>{host, picture}));
  player->SetTabOrder(1);
  EXPECT_EQ(ChildrenOf(banner_), (std::vector<HWND>{picture, host}));
  player->SetTabOrder(0);
  EXPECT_EQ(ChildrenOf(banner_), (std::vector<HWND>{host, picture}));
}

TEST_F(FlashPlayerControl, DestructionDisconnectsClosesAndFreesTheControl) {
  PlayerRegistration registration;
  auto player = win32::CreateWin32FlashPlayer(banner_);
  player->OnReadyStateChange = [](FlashPlayer&, int32_t) {};
  player->SetMovie("http://127.0.0.1/banner.swf");
  ASSERT_TRUE(testing::PumpMessagesUntil([&] { return InOrder(stand_in_.Entries(), {"fired 4"}); },
                                         kEventWait));

  player.reset();

  EXPECT_TRUE(ChildrenOf(banner_).empty());
  // Nothing keeps the control alive once its player is gone.
  EXPECT_EQ(stand_in_.Objects(), 0);
  EXPECT_TRUE(InOrder(stand_in_.Entries(), {"fired 4", "unadvise", "close", "destroy"}))
      << Joined(stand_in_.Entries());
}

TEST_F(FlashPlayerControl, AFailingReadyStateHandlerStaysInsideTheEvent) {
  PlayerRegistration registration;
  const auto player = win32::CreateWin32FlashPlayer(banner_);
  int calls = 0;
  player->OnReadyStateChange = [&](FlashPlayer&, int32_t) {
    ++calls;
    throw Error("the banner broke");
  };
  player->SetMovie("http://127.0.0.1/banner.swf");
  // The control goes on to its next state; the process goes on too.
  ASSERT_TRUE(testing::PumpMessagesUntil(
      [&] {
        return InOrder(stand_in_.Entries(), {"fired 3", "fired 4"});
      },
      kEventWait));
  EXPECT_EQ(calls, 2);
}

TEST_F(FlashPlayerControl, AnUnregisteredPlayerRaisesTheSystemsMessageAndLeavesNoWindow) {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kPlayerKey);
  try {
    const auto player = win32::CreateWin32FlashPlayer(banner_);
    FAIL() << "a player was made without its class";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), win32::MessageForHResult(REGDB_E_CLASSNOTREG));
    EXPECT_FALSE(std::string(error.what()).empty());
  }
  EXPECT_TRUE(ChildrenOf(banner_).empty());
  EXPECT_EQ(stand_in_.Objects(), 0);
}

}  // namespace
}  // namespace pq
