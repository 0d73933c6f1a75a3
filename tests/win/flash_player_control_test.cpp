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
#include "ui_kit/window_finder.h"
#include "win32/com_support.h"
#include "win32/screen_dpi.h"

namespace pq {
namespace {

using ui_kit::ChildrenOf;

constexpr char kPlayerKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}";
constexpr DWORD kEventWait = 10000;

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
  // Whether `expected` occurs among the log's entries in this order, others between.
  ::testing::AssertionResult Logged(const std::vector<std::string>& expected) const {
    const std::string log = Log();
    size_t next = 0, start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
      if (next < expected.size() && log.compare(start, end - start, expected[next]) == 0) ++next;
    if (next == expected.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << expected[next] << "\" in order in:\n" << log;
  }
};

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
    // The player's class, served by the stand-in. In the classes of the
    // machine: Wine's COM reads no per-user classes, and the prefix the tests
    // run in is theirs alone.
    const std::string server = testing::WindowsPath(PQ_FLASH_STAND_IN);
    const std::string key = std::string(kPlayerKey) + "\\InprocServer32";
    RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, server.c_str(),
                    static_cast<DWORD>(server.size() + 1));
    RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), "ThreadingModel", REG_SZ, "Apartment",
                    sizeof "Apartment");
    ASSERT_TRUE(stand_in_.Log && stand_in_.Reset && stand_in_.Objects)
        << "the stand-in control was not built beside the test";
    stand_in_.Reset(0);
    banner_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 107, 22, frame_,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(banner_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(banner_);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kPlayerKey);
  }

  HWND Host() const { return FindWindowExA(banner_, nullptr, "AtlAxWin", nullptr); }

  static HWND frame_;
  HWND banner_ = nullptr;
  StandIn stand_in_;
};

HWND FlashPlayerControl::frame_ = nullptr;

TEST_F(FlashPlayerControl, HostsTheControlInAHiddenChildAtDesignPixelsScaledToTheScreen) {
  const auto player = win32::CreateWin32FlashPlayer(banner_);
  const std::vector<HWND> children = ChildrenOf(banner_);
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(ui_kit::ClassOf(children[0]), "AtlAxWin");
  EXPECT_FALSE(IsWindowVisible(children[0]));
  EXPECT_EQ(stand_in_.Objects(), 1);
  // Embedded in place by the host, connected to by the adapter.
  EXPECT_TRUE(stand_in_.Logged({"create", "site", "activate", "advise"}));

  // Bounds are design pixels at the screen's scale; visibility is the host's.
  const int dpi = win32::ScreenDpi();
  player->SetBounds(1, 0, 105, 22);
  player->SetVisible(true);
  const RECT place = ui_kit::PlaceInParent(children[0]);
  EXPECT_EQ(place.left, win32::ScaleForDpi(1, dpi));
  EXPECT_EQ(place.top, 0);
  EXPECT_EQ(place.right - place.left, win32::ScaleForDpi(105, dpi));
  EXPECT_EQ(place.bottom - place.top, win32::ScaleForDpi(22, dpi));
  EXPECT_TRUE(IsWindowVisible(children[0]));
  // The host passes its size on to the control's own window.
  HWND view = GetWindow(children[0], GW_CHILD);
  ASSERT_NE(view, nullptr);
  RECT view_area{};
  GetClientRect(view, &view_area);
  EXPECT_EQ(view_area.right, win32::ScaleForDpi(105, dpi));
  EXPECT_EQ(view_area.bottom, win32::ScaleForDpi(22, dpi));
  player->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(children[0]));
}

// The events' interface is the one the control tells of, or else the
// player's published one; either way the same events come, a failing handler
// stops none of them, and destruction disconnects, closes and frees the control.
TEST_F(FlashPlayerControl, MovieStopAndPlayReachTheControlReadyStatesComeBackAndDestructionFrees) {
  struct Case {
    int options;
    bool handler_fails;
  };
  for (const Case c : {Case{0, false}, Case{STAND_IN_NO_CLASS_INFO, false}, Case{0, true}}) {
    SCOPED_TRACE(::testing::Message() << c.options << (c.handler_fails ? " failing" : ""));
    stand_in_.Reset(c.options);
    auto player = win32::CreateWin32FlashPlayer(banner_);
    std::vector<int32_t> states;
    FlashPlayer* sender = nullptr;
    player->OnReadyStateChange = [&](FlashPlayer& from, int32_t state) {
      sender = &from;
      states.push_back(state);
      if (c.handler_fails) throw Error("the banner broke");
    };

    player->Stop();
    player->SetMovie("http://127.0.0.1/banner \xC3\xA9t\xC3\xA9.swf");
    ASSERT_TRUE(testing::PumpMessagesUntil(
        [&] { return !states.empty() && states.back() == kFlashReadyStateComplete; }, kEventWait))
        << "states seen: " << states.size();
    player->Play();

    EXPECT_EQ(states, (std::vector<int32_t>{3, kFlashReadyStateComplete}));
    EXPECT_EQ(sender, player.get());
    EXPECT_TRUE(stand_in_.Logged({"advise", "stop", "movie http://127.0.0.1/banner \xC3\xA9t\xC3\xA9.swf",
                                  "fired 3", "fired 4", "play"}));
    EXPECT_EQ(static_cast<bool>(stand_in_.Logged({"events asked"})),
              c.options != STAND_IN_NO_CLASS_INFO)
        << stand_in_.Log();

    player.reset();
    EXPECT_TRUE(ChildrenOf(banner_).empty());
    // Nothing keeps the control alive once its player is gone.
    EXPECT_EQ(stand_in_.Objects(), 0);
    EXPECT_TRUE(stand_in_.Logged({"fired 4", "unadvise", "close", "destroy"}));
  }
}

TEST_F(FlashPlayerControl, TabOrderIsThePlaceAmongTheBannerAreasChildren) {
  HWND picture = CreateWindowExA(0, "STATIC", "picture", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0,
                                 105, 22, banner_, nullptr, nullptr, nullptr);
  const auto player = win32::CreateWin32FlashPlayer(banner_);
  for (const int order : {0, 1, 0}) {
    player->SetTabOrder(order);
    EXPECT_EQ(ChildrenOf(banner_),
              order ? (std::vector<HWND>{picture, Host()}) : (std::vector<HWND>{Host(), picture}))
        << order;
  }
}

TEST_F(FlashPlayerControl, AnUnregisteredPlayerRaisesTheSystemsMessageAndLeavesNoWindow) {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kPlayerKey);
  try {
    const auto player = win32::CreateWin32FlashPlayer(banner_);
    FAIL() << "a player was made without its class";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), win32::MessageForHResult(REGDB_E_CLASSNOTREG));
    EXPECT_STRNE(error.what(), "");
  }
  EXPECT_TRUE(ChildrenOf(banner_).empty());
  EXPECT_EQ(stand_in_.Objects(), 0);
}

}  // namespace
}  // namespace pq
