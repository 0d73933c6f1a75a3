// The About window, shown through the Win32 user interface and looked at and
// answered from a thread of the test's own as a user would.
#include "win32/about_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "support/dialog_answerer.h"
#include "support/owner_window.h"
#include "support/scratch_key.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"
#include "win32/resource_ids.h"
#include "win32/screen_dpi.h"
#include "win32/wide_text.h"
#include "win32/win32_user_interface.h"

namespace pq {
namespace {

using testing::OwnerWindow;
using ui_kit::TextOf;

constexpr char kCaption[] = "About SampleBar";

int Scaled(int design) { return win32::ScaleForDpi(design, win32::ScreenDpi()); }

// Clicks a control of the box with the mouse, once the control is what the
// mouse would hit there; false when it is not.
bool ClickOn(HWND control) {
  const POINT centre = ui_kit::MiddleOf(control);
  if (!ui_kit::WaitUntil([&] { return WindowFromPoint(centre) == control; }, 5000)) return false;
  ui_kit::ClickAt(centre);
  return true;
}

class AboutWindow : public ::testing::Test {
 protected:
  AboutWindow() {
    content_.Caption = kCaption;
    content_.Version = "SampleBar";
    content_.Copyright = "Copyright (C) 2024 Sample Company";
    content_.Url = "http://www.example.com/";
    // One line in any font: a longer text takes more lines and moves the
    // labels below it down (LongTextsShowWhole).
    content_.Preparer = "Toolbar by Sample Preparer";
    content_.LinkClick = [this] { ++link_clicks_; };
  }

  // Shows the box over the active owner; `answer` runs on the answering
  // thread once the box is there and what it showed of itself is noted.
  void Show(const std::function<void(HWND)>& answer) {
    OwnerWindow::Get().Activate();
    shown_ = nullptr;
    controls_.clear();
    testing::DialogAnswerer answerer(kCaption, [&](HWND box) {
      shown_ = box;
      for (HWND child : ui_kit::ChildrenOf(box))
        controls_[GetDlgCtrlID(child)] = {TextOf(child), ui_kit::PlaceInParent(child),
                                          IsWindowVisible(child) != 0};
      GetClientRect(box, &client_);
      style_ = GetWindowLongPtrA(box, GWL_STYLE);
      centre_ = ui_kit::MiddleOf(box);
      owner_enabled_ = IsWindowEnabled(OwnerWindow::Get().window());
      answer(box);
    });
    const DWORD start = GetTickCount();
    raised_.clear();
    try {
      ui_.ShowAboutBox(content_);
    } catch (const Error& error) {
      raised_ = error.what();
    }
    elapsed_ = GetTickCount() - start;
    ASSERT_TRUE(answerer.Finish()) << "no window captioned " << kCaption;
    closed_ = answerer.Closed();
  }

  AboutBoxContent content_;
  std::atomic<int> link_clicks_{0};
  win32::Win32UserInterface ui_;
  HWND shown_ = nullptr;
  struct Control {
    std::string text;
    RECT place{};
    bool visible = false;
  };
  std::map<int, Control> controls_;
  RECT client_{};
  LONG_PTR style_ = 0;
  POINT centre_{};
  bool owner_enabled_ = true;
  bool closed_ = false;
  DWORD elapsed_ = 0;   // in ShowAboutBox
  std::string raised_;  // what ShowAboutBox raised
};

// A bitmap file's contents, of one colour, as an installation's banner.
std::string Bitmap(COLORREF colour) {
  constexpr int kWidth = 105, kHeight = 22, kRow = (kWidth * 3 + 3) & ~3;
  BITMAPINFOHEADER info{sizeof info, kWidth, kHeight, 1, 24, BI_RGB, kRow * kHeight, 0, 0, 0, 0};
  BITMAPFILEHEADER file{0x4D42, sizeof file + sizeof info + kRow * kHeight, 0, 0,
                        sizeof file + sizeof info};
  std::string row;
  for (int x = 0; x < kWidth; ++x)
    row += {static_cast<char>(GetBValue(colour)), static_cast<char>(GetGValue(colour)),
            static_cast<char>(GetRValue(colour))};
  row.resize(kRow, '\0');
  std::string bitmap(reinterpret_cast<const char*>(&file), sizeof file);
  bitmap.append(reinterpret_cast<const char*>(&info), sizeof info);
  for (int y = 0; y < kHeight; ++y) bitmap += row;
  return bitmap;
}

// The colour at a point of the screen, or of a bitmap, which it frees.
COLORREF PixelAt(POINT point, HBITMAP bitmap = nullptr) {
  HDC dc = bitmap ? CreateCompatibleDC(nullptr) : GetDC(nullptr);
  if (bitmap) SelectObject(dc, bitmap);
  const COLORREF colour = GetPixel(dc, point.x, point.y);
  if (bitmap) {
    DeleteDC(dc);
    DeleteObject(bitmap);
  } else {
    ReleaseDC(nullptr, dc);
  }
  return colour;
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 24 &&
         std::abs(GetGValue(a) - GetGValue(b)) <= 24 && std::abs(GetBValue(a) - GetBValue(b)) <= 24;
}

TEST_F(AboutWindow, ShowsTheContentScaledWithItsBannerAndEnterOrEscapeCloseItForItsOwner) {
  struct {
    int id;
    const char* text;  // null: not checked here
    RECT design;       // left, top, right, bottom in design pixels; zero right: width unchecked
  } const expected[] = {
      {win32::kAboutVersionId, "SampleBar", {211, 80, 0, 0}},
      {win32::kAboutCopyrightId, "Copyright (C) 2024 Sample Company", {211, 96, 0, 0}},
      {win32::kAboutPreparerId, "Toolbar by Sample Preparer", {211, 112, 0, 0}},
      {win32::kAboutRightsId, "All rights reserved.", {211, 128, 0, 0}},
      {win32::kAboutUrlId, "http://www.example.com/", {211, 152, 0, 0}},
      {win32::kAboutBannerId, nullptr, {211, 48, 316, 70}},
      {win32::kAboutPictureId, nullptr, {8, 8, 204, 183}},
      {win32::kAboutNoticeId, nullptr, {10, 193, 465, 288}},
      {win32::kAboutCloseId, "Close", {397, 291, 472, 316}},
  };
  const COLORREF built_in = PixelAt(
      {105 / 2, 22 / 2}, static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                         MAKEINTRESOURCEA(IDB_BUILTIN_BANNER),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  // The installation's banner shows when it loads, the built-in one otherwise;
  // the installation's notice replaces the built-in one, which names the product.
  struct Case {
    WORD key;
    std::string banner;  // the banner file's contents; empty: no file named
    COLORREF colour;     // at the banner's middle
    std::optional<std::vector<std::string>> notice_lines;
    const char* notice;  // null: the built-in one
  };
  const Case cases[] = {
      {VK_RETURN, Bitmap(RGB(255, 0, 0)), RGB(255, 0, 0), std::nullopt, nullptr},
      {VK_ESCAPE, "not a bitmap", built_in,
       std::vector<std::string>{"First line \xC2\xA9", "", "Third line"},
       "First line \xC2\xA9\r\n\r\nThird line"},
      {VK_ESCAPE, "", built_in, std::nullopt, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "a banner file of " << c.banner.size() << " bytes");
    testing::ScratchDir scratch;
    content_.BannerFile = c.banner.empty() ? "" : scratch.File("SampleBar.bmp");
    if (!c.banner.empty()) std::ofstream(content_.BannerFile, std::ios::binary) << c.banner;
    content_.NoticeLines = c.notice_lines;
    COLORREF colour = CLR_INVALID;
    Show([&](HWND box) {
      const POINT middle = ui_kit::MiddleOf(GetDlgItem(box, win32::kAboutBannerId));
      // Painted a moment after it shows.
      ui_kit::WaitUntil([&] { return Near(colour = PixelAt(middle), c.colour); }, 5000);
      ui_kit::PressKey(box, c.key);
    });
    EXPECT_TRUE(Near(colour, c.colour)) << std::hex << colour << " for " << c.colour;

    EXPECT_EQ(controls_.size(), std::size(expected));
    for (const auto& place : expected) {
      SCOPED_TRACE("control " + std::to_string(place.id));
      ASSERT_EQ(controls_.count(place.id), 1u);
      const Control& control = controls_[place.id];
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
      EXPECT_LE(control.place.right, client_.right);
      EXPECT_LE(control.place.bottom, client_.bottom);
    }
    // A label is as wide as its text, in its font.
    EXPECT_GT(controls_[win32::kAboutCopyrightId].place.right,
              controls_[win32::kAboutRightsId].place.right);
    const std::string& notice = controls_[win32::kAboutNoticeId].text;
    EXPECT_TRUE(c.notice ? notice == c.notice : notice.find("Pelliquester") != std::string::npos)
        << notice;
    EXPECT_EQ(client_.right, Scaled(475));
    EXPECT_EQ(client_.bottom, Scaled(318));
    EXPECT_EQ(style_ & WS_CAPTION, 0);
    EXPECT_NEAR(centre_.x, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR(centre_.y, GetSystemMetrics(SM_CYSCREEN) / 2, 2);

    // Modal: the owner is disabled while it shows and gets its focus back.
    EXPECT_TRUE(closed_);
    EXPECT_FALSE(owner_enabled_);
    EXPECT_TRUE(IsWindowEnabled(OwnerWindow::Get().window()));
    EXPECT_EQ(GetFocus(), OwnerWindow::Get().edit());
    // Every showing makes a window of its own and frees it.
    EXPECT_FALSE(IsWindow(shown_));
    EXPECT_EQ(link_clicks_, 0);
    EXPECT_EQ(raised_, "");
  }
}

TEST_F(AboutWindow, AClickOnTheAddressOrTheBannerRunsTheLinkOnceAndClosesTheBox) {
  struct Case {
    int id;
    const char* raises;  // what the link raises, raised again once the box is gone
  };
  for (const Case& c : {Case{win32::kAboutUrlId, ""}, Case{win32::kAboutBannerId, ""},
                        Case{win32::kAboutUrlId, "No program is associated with the address"}}) {
    SCOPED_TRACE(std::to_string(c.id) + c.raises);
    link_clicks_ = 0;
    content_.LinkClick = [&] {
      ++link_clicks_;
      if (*c.raises) throw Error(c.raises);
    };
    bool hit = false;
    LRESULT hand_cursor = FALSE, plain_cursor = TRUE;
    Show([&](HWND box) {
      HWND control = GetDlgItem(box, c.id);
      const LPARAM over = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
      hand_cursor = SendMessageA(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), over);
      plain_cursor =
          SendMessageA(box, WM_SETCURSOR,
                       reinterpret_cast<WPARAM>(GetDlgItem(box, win32::kAboutRightsId)), over);
      hit = ClickOn(control);
    });
    ASSERT_TRUE(hit) << "the control was not under the mouse";
    EXPECT_TRUE(closed_);
    EXPECT_FALSE(IsWindow(shown_));
    EXPECT_EQ(link_clicks_, 1);
    EXPECT_EQ(raised_, c.raises);
    // The box sets the hand over what can be clicked, and only there.
    EXPECT_TRUE(hand_cursor);
    EXPECT_FALSE(plain_cursor);
  }
}

TEST_F(AboutWindow, TimedStaysFourSecondsWithoutCloseButtonAndWithoutDisablingItsOwner) {
  content_.Timed = true;
  for (bool click_address : {false, true}) {
    SCOPED_TRACE(click_address);
    link_clicks_ = 0;
    bool hidden_after_click = false;
    Show([&](HWND box) {
      if (click_address && ClickOn(GetDlgItem(box, win32::kAboutUrlId)))
        hidden_after_click = ui_kit::WaitUntil([&] { return !IsWindowVisible(box); }, 3000);
    });
    EXPECT_GE(elapsed_, win32::kAboutTimedMilliseconds);
    EXPECT_FALSE(controls_[win32::kAboutCloseId].visible);
    EXPECT_TRUE(owner_enabled_);
    EXPECT_FALSE(IsWindow(shown_));
    EXPECT_EQ(link_clicks_, click_address ? 1 : 0);
    EXPECT_EQ(hidden_after_click, click_address);
    EXPECT_EQ(raised_, "");
  }
}

// The timed box runs the browser's messages meanwhile, as the browser reads
// them: a character typed into one of its windows arrives whole.
TEST_F(AboutWindow, TimedKeepsTheBrowsersCharactersWhole) {
  content_.Timed = true;
  const std::wstring typed = L"\x0436\x00E9\x20AC\x4E2D a";  // zhe, e acute, euro, zhong
  HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 40, 200, 24,
                               OwnerWindow::Get().window(), nullptr, nullptr, nullptr);
  ASSERT_NE(field, nullptr);
  bool arrived = false;
  Show([&](HWND) {
    for (wchar_t unit : typed) PostMessageW(field, WM_CHAR, unit, 1);
    arrived = ui_kit::WaitUntil(
        [&] { return GetWindowTextLengthW(field) == static_cast<int>(typed.size()); }, 3000);
  });
  std::wstring shown(typed.size() + 1, L'\0');
  shown.resize(
      static_cast<size_t>(GetWindowTextW(field, shown.data(), static_cast<int>(shown.size()))));
  DestroyWindow(field);
  ASSERT_TRUE(arrived) << "the box's loop did not dispatch the characters";
  auto units = [](const std::wstring& text) {
    std::string listed;
    for (wchar_t unit : text) listed += std::to_string(static_cast<unsigned>(unit)) + " ";
    return listed;
  };
  EXPECT_EQ(units(shown), units(typed));
}

// Each text of the box as a user reads it: whole, however long the names the
// publisher gave, not cut where the label's line ends.
TEST_F(AboutWindow, LongTextsShowWhole) {
  const std::string long_company =
      "Example Publishing International Holdings and Subsidiaries Limited";
  struct Case {
    int id;
    std::string* field;
    std::string text;
  } const cases[] = {
      {win32::kAboutCopyrightId, &content_.Copyright, "Copyright (C) 2026 " + long_company},
      {win32::kAboutPreparerId, &content_.Preparer,
       "Toolbar prepared by " + long_company + " for its customers"},
      {win32::kAboutVersionId, &content_.Version, "SampleBar Toolbar for " + long_company},
      // Japanese runs its words together without spaces.
      {win32::kAboutPreparerId, &content_.Preparer,
       win32::Utf8(L"\x682A\x5F0F\x4F1A\x793E\x30B5\x30F3\x30D7\x30EB\x51FA\x7248\x56FD"
                   L"\x969B\x30DB\x30FC\x30EB\x30C7\x30A3\x30F3\x30B0\x30B9\x304A\x3088"
                   L"\x3073\x95A2\x9023\x4F1A\x793E\x5404\x793E\x304C\x304A\x5BA2\x69D8"
                   L"\x306E\x305F\x3081\x306B\x4F5C\x6210\x3057\x307E\x3057\x305F\x30C4"
                   L"\x30FC\x30EB\x30D0\x30FC")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    *c.field = c.text;
    RECT label{}, needed{};
    Show([&](HWND box) {
      const HWND control = GetDlgItem(box, c.id);
      GetClientRect(control, &label);
      needed = label;
      // The lines the label breaks its text into, in its own font.
      HDC dc = GetDC(control);
      const HGDIOBJ old = SelectObject(
          dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
      std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
      const int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
      text.resize(static_cast<size_t>(length));
      const LONG style = GetWindowLongW(control, GWL_STYLE);
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX |
                    ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0));
      SelectObject(dc, old);
      ReleaseDC(control, dc);
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_LE(needed.bottom, label.bottom) << "the label shows " << label.bottom
                                           << " pixels of the text's " << needed.bottom;
    EXPECT_LE(needed.right, label.right);
  }
}

}  // namespace
}  // namespace pq
