// The band in the hands of a frame that behaves as the browser's does, not as
// a kind test site: the focus moves on to the page without the host's help,
// and the rebar squeezes the band's window to nothing before it widens again.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "support/band_dll.h"
#include "support/shown_band.h"
#include "support/test_site.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/wait.h"
#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

using Microsoft::WRL::ComPtr;
using ui_kit::ClickAt;
using ui_kit::ClickWouldReach;
using ui_kit::MiddleOf;
using ui_kit::SearchFieldOf;
using ui_kit::WaitUntil;

constexpr BOOL kLost = 0;

class BrowserFrame : public ::testing::Test {
 protected:
  BrowserFrame() : site(SiteWindow()) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
  }
  ~BrowserFrame() override {
    if (band) {
      band->CloseDW(0);
      ComPtr<IObjectWithSite> with_site;
      if (SUCCEEDED(band.As(&with_site))) with_site->SetSite(nullptr);
    }
    band.Reset();
    CoUninitialize();
  }

  HWND ShowBand() {
    ComPtr<IObjectWithSite> with_site;
    EXPECT_EQ(band.As(&with_site), S_OK);
    EXPECT_EQ(with_site->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
    return ShowSitedBand(band.Get());
  }

  static RECT RectIn(HWND child, HWND window) {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    return place;
  }

  BandDll dll;
  TestSite site;
  ComPtr<IDeskBand> band;
};

// The browser learns where the focus is from the band alone: a band that
// said it took the focus says so again when the focus leaves it, and stops
// claiming it, or the browser keeps the band as the one to give the focus
// back to when its window is activated again.
TEST_F(BrowserFrame, AFocusTakenByAClickIsGivenUpWhenTheUserClicksElsewhere) {
  HWND window = ShowBand();
  ASSERT_EQ(band->ShowDW(FALSE), S_OK);  // the host's word on the focus is now "not the band"
  site.focus_changes.clear();
  ComPtr<IInputObject> input;
  ASSERT_EQ(band.As(&input), S_OK);

  HWND edit = SearchFieldOf(window);
  ASSERT_NE(edit, nullptr);
  const POINT field = MiddleOf(edit);
  ASSERT_TRUE(WaitUntil(
      [&] {
        PumpMessages();
        return ClickWouldReach(edit, field);
      },
      5000));
  ASSERT_TRUE(ClickAt(field));
  ASSERT_TRUE(WaitUntil(
      [&] {
        PumpMessages();
        return GetFocus() == edit && !site.focus_changes.empty();
      },
      5000))
      << "the click didn't reach the band";
  ASSERT_EQ(input->HasFocusIO(), S_OK);
  site.focus_changes.clear();

  // The user clicks into the page: the page's window takes the focus, and
  // the browser says nothing to the band.
  SetFocus(SiteWindow());
  PumpMessages();
  ASSERT_NE(GetFocus(), edit);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE) << "the band claims a focus it no longer has";
  ASSERT_FALSE(site.focus_changes.empty()) << "the band never told the site it lost the focus";
  EXPECT_EQ(site.focus_changes.back().gained, kLost);
}

// The rebar gives a band no width at all while the browser's window is
// narrow, and its width back afterwards: the toolbar lays itself out anew,
// whole, over the width it has again.
TEST_F(BrowserFrame, AWindowSqueezedToNothingLaysItselfOutWholeWhenWidenedAgain) {
  HWND window = ShowBand();
  HWND toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr);
  HWND edit = SearchFieldOf(window);
  ASSERT_NE(toolbar, nullptr);
  ASSERT_NE(edit, nullptr);
  const RECT toolbar_before = RectIn(toolbar, window);
  const RECT field_before = RectIn(edit, window);
  for (const int narrow : {0, 1, 40}) {
    SCOPED_TRACE(narrow);
    MoveWindow(window, 0, 0, narrow, 25, TRUE);
    PumpMessages();
    MoveWindow(window, 0, 0, 600, 25, TRUE);
    PumpMessages();
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 600);
    const RECT toolbar_after = RectIn(toolbar, window);
    EXPECT_EQ(toolbar_after.left, toolbar_before.left);
    EXPECT_EQ(toolbar_after.right, toolbar_before.right);
    EXPECT_TRUE(IsWindowVisible(edit));
    const RECT field_after = RectIn(edit, window);
    EXPECT_EQ(field_after.left, field_before.left);
    EXPECT_EQ(field_after.right - field_after.left, field_before.right - field_before.left);
  }
}

// A hidden band's window is resized with the browser's window, and shown
// again in whichever way the frame's rebar shows its children: the toolbar
// spans the width the window has when it shows, not the width it had when
// it was hidden.
TEST_F(BrowserFrame, AWindowResizedWhileHiddenShowsLaidOutForItsNewWidth) {
  enum class Shown { ByShowWindow, BySetWindowPos, ByDeferredPositions };
  const struct {
    const char* how;
    Shown shown;
  } ways[] = {{"ShowWindow", Shown::ByShowWindow},
              {"SetWindowPos with SWP_SHOWWINDOW", Shown::BySetWindowPos},
              {"DeferWindowPos with SWP_SHOWWINDOW", Shown::ByDeferredPositions}};
  HWND window = ShowBand();
  HWND toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr);
  ASSERT_NE(toolbar, nullptr);
  int width = 600;
  for (const auto& [how, shown] : ways) {
    SCOPED_TRACE(how);
    ASSERT_EQ(band->ShowDW(FALSE), S_OK);
    ShowWindow(window, SW_HIDE);
    width = width == 600 ? 400 : 600;
    MoveWindow(window, 0, 0, width, 25, TRUE);
    PumpMessages();
    switch (shown) {
      case Shown::ByShowWindow:
        ShowWindow(window, SW_SHOW);
        break;
      case Shown::BySetWindowPos:
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        break;
      case Shown::ByDeferredPositions: {
        HDWP positions = BeginDeferWindowPos(1);
        positions = DeferWindowPos(positions, window, nullptr, 0, 0, width, 25,
                                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        EndDeferWindowPos(positions);
        break;
      }
    }
    ASSERT_EQ(band->ShowDW(TRUE), S_OK);
    PumpMessages();
    ASSERT_TRUE(IsWindowVisible(window));
    const RECT dock = RectIn(toolbar, window);
    EXPECT_GE(dock.right, width - 14) << "the toolbar stops short of the window's new width";
    EXPECT_LE(dock.right, width) << "the toolbar runs past the window's new width";
  }
}

}  // namespace
}  // namespace pq::testing
