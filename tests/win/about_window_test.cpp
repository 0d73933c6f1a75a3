// The About window, shown through the Win32 user interface and looked at and
// answered from a thread of the test's own as a user would.
#include "win32/about_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/error.h"
#include "support/dialog_answerer.h"
#include "support/owner_window.h"
#include "support/scratch_key.h"
#include "support/window_finder.h"
#include "win32/resource_ids.h"
#include "win32/screen_dpi.h"
#include "win32/win32_user_interface.h"

namespace pq {
namespace {

using testing::DialogAnswerer;
using testing::OwnerWindow;
using testing::TextOf;

constexpr char kCaption[] = "About SampleBar";

AboutBoxContent SampleContent(std::atomic<int>* link_clicks) {
  AboutBoxContent content;
  content.Caption = kCaption;
  content.Version = "SampleBar";
  content.Copyright = "Copyright (C) 2024 Sample Company";
  content.Url = "http://www.example.com/";
  content.Preparer = "Toolbar by Pelliquester, (C) Sample Preparer";
  content.LinkClick = [link_clicks] { ++*link_clicks; };
  return content;
}

int Scaled(int design) { return win32::ScaleForDpi(design, win32::ScreenDpi()); }

struct Control {
  std::string text;
  RECT place{};
  bool visible = false;
};

// What the box showed of itself.
struct AboutSeen {
  std::map<int, Control> controls;
  RECT client{};
  LONG_PTR style = 0;
  std::string caption;
  POINT centre{};
  bool owner_enabled = true;
};

AboutSeen Look(HWND box) {
  AboutSeen seen;
  for (HWND child : testing::ChildrenOf(box))
    seen.controls[GetDlgCtrlID(child)] = {TextOf(child), testing::PlaceInParent(child),
                                          IsWindowVisible(child) != 0};
  GetClientRect(box, &seen.client);
  seen.style = GetWindowLongPtrA(box, GWL_STYLE);
  seen.caption = TextOf(box);
  seen.centre = testing::MiddleOf(box);
  seen.owner_enabled = IsWindowEnabled(OwnerWindow::Get().window());
  return seen;
}

class AboutWindow : public ::testing::Test {
 protected:
  void SetUp() override { OwnerWindow::Get().Activate(); }
  std::atomic<int> link_clicks_{0};
  win32::Win32UserInterface ui_;
};

struct Placement {
  int id;
  const char* text;  // null: not checked here
  RECT design;       // left, top, right, bottom in design pixels; zero right: width unchecked
};

TEST_F(AboutWindow, ShowsTheContentAtItsDesignPlacesScaledToTheScreen) {
  const AboutBoxContent content = SampleContent(&link_clicks_);
  AboutSeen seen;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    seen = Look(box);
    testing::PressKey(box, VK_ESCAPE);
  });
  ui_.ShowAboutBox(content);
  ASSERT_TRUE(answerer.Finish()) << "no window captioned " << kCaption;

  const Placement expected[] = {
      {win32::kAboutVersionId, "SampleBar", {211, 80, 0, 0}},
      {win32::kAboutCopyrightId, "Copyright (C) 2024 Sample Company", {211, 96, 0, 0}},
      {win32::kAboutPreparerId, "Toolbar by Pelliquester, (C) Sample Preparer", {211, 112, 0, 0}},
      {win32::kAboutRightsId, "All rights reserved.", {211, 128, 0, 0}},
      {win32::kAboutUrlId, "http://www.example.com/", {211, 152, 0, 0}},
      {win32::kAboutBannerId, nullptr, {211, 48, 316, 70}},
      {win32::kAboutPictureId, nullptr, {8, 8, 204, 183}},
      {win32::kAboutNoticeId, nullptr, {10, 193, 465, 288}},
      {win32::kAboutCloseId, "Close", {397, 291, 472, 316}},
  };
  EXPECT_EQ(seen.controls.size(), std::size(expected));
  for (const Placement& place : expected) {
    SCOPED_TRACE("control " + std::to_string(place.id));
    ASSERT_EQ(seen.controls.count(place.id), 1u);
    const Control& control = seen.controls[place.id];
    if (place.text) {
      EXPECT_EQ(control.text, place.text);
    }
    EXPECT_TRUE(control.visible);
    EXPECT_EQ(control.place.left, Scaled(place.design.left));
    EXPECT_EQ(control.place.top, Scaled(place.design.top));
    if (place.design.right) {
      EXPECT_EQ(control.place.right, Scaled(place.design.right));
      EXPECT_EQ(control.place.bottom, Scaled(place.design.bottom));
    }
    // Nothing reaches past the box.
    EXPECT_LE(control.place.right, seen.client.right);
    EXPECT_LE(control.place.bottom, seen.client.bottom);
  }
  // A label is as wide as its text, in its font.
  EXPECT_GT(seen.controls[win32::kAboutCopyrightId].place.right,
            seen.controls[win32::kAboutRightsId].place.right);
  EXPECT_NE(seen.controls[win32::kAboutNoticeId].text.find("Pelliquester"), std::string::npos);
  EXPECT_EQ(seen.client.right, Scaled(475));
  EXPECT_EQ(seen.client.bottom, Scaled(318));
  EXPECT_EQ(seen.caption, kCaption);
  EXPECT_EQ(seen.style & WS_CAPTION, 0);
  EXPECT_NEAR(seen.centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
  EXPECT_NEAR(seen.centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
  EXPECT_EQ(link_clicks_, 0);
}

TEST_F(AboutWindow, TheInstallationsNoticeReplacesTheBuiltInOne) {
  AboutBoxContent content = SampleContent(&link_clicks_);
  content.NoticeLines = std::vector<std::string>{"First line \xA9", "", "Third line"};
  std::string notice;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    notice = TextOf(GetDlgItem(box, win32::kAboutNoticeId));
    testing::PressKey(box, VK_ESCAPE);
  });
  ui_.ShowAboutBox(content);
  ASSERT_TRUE(answerer.Finish());
  EXPECT_EQ(notice, "First line \xA9\r\n\r\nThird line");
}

struct KeyCase {
  const char* name;
  WORD key;
};

class AboutKeys : public AboutWindow, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AboutKeys, CloseTheModalBoxWhichGivesItsOwnerBackItsFocus) {
  const AboutBoxContent content = SampleContent(&link_clicks_);
  AboutSeen seen;
  HWND shown = nullptr;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    shown = box;
    seen = Look(box);
    testing::PressKey(box, GetParam().key);
  });
  ui_.ShowAboutBox(content);
  ASSERT_TRUE(answerer.Finish());

  EXPECT_TRUE(answerer.Closed());
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(OwnerWindow::Get().window()));
  EXPECT_EQ(GetFocus(), OwnerWindow::Get().edit());
  // Every showing makes a window of its own and frees it.
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_EQ(link_clicks_, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutKeys,
                         ::testing::Values(KeyCase{"Enter", VK_RETURN},
                                           KeyCase{"Escape", VK_ESCAPE}),
                         [](const auto& info) { return std::string(info.param.name); });

// Clicks a control of the box with the mouse, once the control is what the
// mouse would hit there; false when it is not.
bool ClickOn(HWND control) {
  const POINT centre = testing::MiddleOf(control);
  if (!testing::WaitUntil([&] { return WindowFromPoint(centre) == control; }, 5000)) return false;
  testing::ClickAt(centre);
  return true;
}

struct LinkCase {
  const char* name;
  int id;
};

class AboutLink : public AboutWindow, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(AboutLink, AClickRunsTheLinkOnceAndClosesTheBox) {
  const AboutBoxContent content = SampleContent(&link_clicks_);
  bool hit = false;
  LRESULT hand_cursor = FALSE;
  LRESULT plain_cursor = TRUE;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    HWND control = GetDlgItem(box, GetParam().id);
    const LPARAM over = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    hand_cursor = SendMessageA(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), over);
    plain_cursor = SendMessageA(
        box, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(box, win32::kAboutRightsId)), over);
    hit = ClickOn(control);
  });
  ui_.ShowAboutBox(content);
  ASSERT_TRUE(answerer.Finish());

  ASSERT_TRUE(hit) << "the control was not under the mouse";
  EXPECT_TRUE(answerer.Closed());
  EXPECT_EQ(link_clicks_, 1);
  // The box sets the hand over what can be clicked, and only there.
  EXPECT_TRUE(hand_cursor);
  EXPECT_FALSE(plain_cursor);
}

INSTANTIATE_TEST_SUITE_P(Targets, AboutLink,
                         ::testing::Values(LinkCase{"Address", win32::kAboutUrlId},
                                           LinkCase{"Banner", win32::kAboutBannerId}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutWindow, WhatTheLinkRaisedIsRaisedOnceTheBoxIsGone) {
  AboutBoxContent content = SampleContent(&link_clicks_);
  content.LinkClick = [] { throw Error("No program is associated with the address"); };
  HWND shown = nullptr;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    shown = box;
    ClickOn(GetDlgItem(box, win32::kAboutUrlId));
  });
  try {
    ui_.ShowAboutBox(content);
    ADD_FAILURE() << "the link's error was lost";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "No program is associated with the address");
  }
  ASSERT_TRUE(answerer.Finish());
  EXPECT_FALSE(IsWindow(shown));
}

struct TimedCase {
  const char* name;
  bool click_address;
};

class AboutTimed : public AboutWindow, public ::testing::WithParamInterface<TimedCase> {};

TEST_P(AboutTimed, StaysFourSecondsWithoutCloseButtonAndWithoutDisablingItsOwner) {
  AboutBoxContent content = SampleContent(&link_clicks_);
  content.Timed = true;
  AboutSeen seen;
  HWND shown = nullptr;
  bool hidden_after_click = false;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    shown = box;
    seen = Look(box);
    if (GetParam().click_address && ClickOn(GetDlgItem(box, win32::kAboutUrlId)))
      hidden_after_click = testing::WaitUntil([&] { return !IsWindowVisible(box); }, 3000);
  });
  const DWORD start = GetTickCount();
  ui_.ShowAboutBox(content);
  const DWORD elapsed = GetTickCount() - start;
  ASSERT_TRUE(answerer.Finish());

  EXPECT_GE(elapsed, win32::kAboutTimedMilliseconds);
  EXPECT_FALSE(seen.controls[win32::kAboutCloseId].visible);
  EXPECT_TRUE(seen.owner_enabled);
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_EQ(link_clicks_, GetParam().click_address ? 1 : 0);
  EXPECT_EQ(hidden_after_click, GetParam().click_address);
}

INSTANTIATE_TEST_SUITE_P(Timing, AboutTimed,
                         ::testing::Values(TimedCase{"Untouched", false},
                                           TimedCase{"ClosedByTheAddress", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A bitmap file of one colour, as an installation's banner.
void WriteBanner(const std::string& path, COLORREF colour) {
  constexpr int kWidth = 105, kHeight = 22;
  const int row = (kWidth * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = kWidth;
  info.biHeight = kHeight;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(row * kHeight);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string pixels(info.biSizeImage, '\0');
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      pixels[y * row + x * 3] = static_cast<char>(GetBValue(colour));
      pixels[y * row + x * 3 + 1] = static_cast<char>(GetGValue(colour));
      pixels[y * row + x * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

COLORREF ScreenPixel(POINT point) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// The built-in banner's pixel at the middle.
COLORREF BuiltInBannerMiddle() {
  HBITMAP banner = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(IDB_BUILTIN_BANNER),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, banner);
  const COLORREF colour = GetPixel(dc, 105 / 2, 22 / 2);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(banner);
  return colour;
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 24 &&
         std::abs(GetGValue(a) - GetGValue(b)) <= 24 && std::abs(GetBValue(a) - GetBValue(b)) <= 24;
}

struct BannerCase {
  const char* name;
  const char* file_contents;  // null: a red bitmap; empty: no file named
  bool shows_red;
};

class AboutBanner : public AboutWindow, public ::testing::WithParamInterface<BannerCase> {};

TEST_P(AboutBanner, ShowsTheInstallationsBannerWhenItLoadsAndTheBuiltInOneOtherwise) {
  testing::ScratchDir scratch;
  AboutBoxContent content = SampleContent(&link_clicks_);
  const BannerCase& given = GetParam();
  if (!given.file_contents) {
    content.BannerFile = scratch.File("SampleBar.bmp");
    WriteBanner(content.BannerFile, RGB(255, 0, 0));
  } else if (*given.file_contents) {
    content.BannerFile = scratch.File("SampleBar.bmp");
    std::ofstream(content.BannerFile) << given.file_contents;
  }
  const COLORREF expected = given.shows_red ? RGB(255, 0, 0) : BuiltInBannerMiddle();
  COLORREF seen = CLR_INVALID;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    const POINT middle = testing::MiddleOf(GetDlgItem(box, win32::kAboutBannerId));
    // Painted a moment after it shows.
    testing::WaitUntil([&] { return Near(seen = ScreenPixel(middle), expected); }, 5000);
    testing::PressKey(box, VK_ESCAPE);
  });
  ui_.ShowAboutBox(content);
  ASSERT_TRUE(answerer.Finish());
  EXPECT_TRUE(Near(seen, expected)) << std::hex << "seen " << seen << ", expected " << expected;
}

INSTANTIATE_TEST_SUITE_P(Files, AboutBanner,
                         ::testing::Values(BannerCase{"ALoadableFile", nullptr, true},
                                           BannerCase{"AnUnreadableFile", "not a bitmap", false},
                                           BannerCase{"NoFile", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pq
