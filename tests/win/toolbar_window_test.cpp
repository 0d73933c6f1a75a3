// The toolbar window on screen, driven as a user would drive it: real mouse
// and key input, read back through the controls' own messages.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/toolbar_config.h"
#include "fakes/fake_user_interface.h"
#include "support/expected_calls.h"
#include "support/message_pump.h"
#include "support/parent_window.h"
#include "support/scratch_key.h"
#include "support/win32_ports.h"
#include "ui_kit/mouse_input.h"
#include "toolbar/toolbar_metrics.h"
#include "win32/chevron_accessible.h"
#include "win32/icon_strips.h"
#include "win32/item_menu.h"
#include "win32/toolbar_window.h"
#include "win32/wide_text.h"
#include "win32/window_metrics.h"

namespace pq {
namespace {

using win32::ToolbarWindow;

// --- the user's side

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds = 10000) {
  return testing::PumpMessagesUntil(done, milliseconds);
}

void MoveMouse(POINT at, DWORD buttons = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof input);
}

// A click at a point of the screen, once the expected window is there.
void Click(POINT at, HWND expected, bool right = false) {
  ASSERT_TRUE(WaitFor([&] {
    HWND there = WindowFromPoint(at);
    return there == expected || IsChild(expected, there);
  })) << "another window is at "
      << at.x << "," << at.y;
  ASSERT_TRUE(ui_kit::ClickAt(at, right ? ui_kit::Button::Right : ui_kit::Button::Left));
}

using ui_kit::PressKey;

POINT Center(RECT area) { return {(area.left + area.right) / 2, (area.top + area.bottom) / 2}; }

// --- what the controls show

struct Button {
  std::string caption;
  BYTE style, state;
  int image, command;
  RECT place;  // on the screen
};

std::vector<Button> Buttons(HWND toolbar) {
  std::vector<Button> buttons;
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    wchar_t caption[128] = {};  // separators have none, and leave it empty
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand, reinterpret_cast<LPARAM>(caption));
    RECT place{};
    SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&place), 2);
    buttons.push_back(
        {win32::Utf8(caption), button.fsStyle, button.fsState, button.iBitmap, button.idCommand, place});
  }
  return buttons;
}

Button Find(HWND toolbar, const std::string& caption) {
  for (const Button& button : Buttons(toolbar))
    if (button.caption == caption) return button;
  ADD_FAILURE() << "no button " << caption;
  return {};
}

std::vector<std::string> MenuCaptions(HMENU menu) {
  std::vector<std::string> captions;
  for (int position = 0; position < GetMenuItemCount(menu); ++position) {
    wchar_t caption[128] = {};
    MENUITEMINFOW entry{};
    entry.cbSize = sizeof entry;
    entry.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
    entry.dwTypeData = caption;
    entry.cch = static_cast<UINT>(std::size(caption));
    GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &entry);
    std::string text = win32::Utf8(caption);
    if (entry.fType & MFT_SEPARATOR) text = "-";
    if (entry.fState & MFS_CHECKED) text = "(*) " + text;
    captions.push_back(text);
  }
  return captions;
}

// Waits on a thread of its own for the next popup menu, reads it, then
// clicks the entry with the given caption, or closes the menu without one.
class MenuWatcher {
 public:
  explicit MenuWatcher(std::string choose = {}) : choose_(std::move(choose)) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~MenuWatcher() { thread_.join(); }
  bool Done() const { return done_; }
  // What the menu offered, and where it showed on the screen; read once Done.
  const std::vector<std::string>& Captions() const { return captions_; }
  const RECT& Place() const { return place_; }

 private:
  void Watch() {
    HWND window = nullptr;
    if (ui_kit::WaitUntil(
            [&] { return (window = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(window); },
            10000))
      Answer(window);
    done_ = true;
  }
  void Answer(HWND window) {
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    GetWindowRect(window, &place_);
    captions_ = MenuCaptions(menu);
    int chosen = -1;
    for (size_t i = 0; i < captions_.size(); ++i)
      if (!choose_.empty() && captions_[i].rfind(choose_, 0) == 0) chosen = static_cast<int>(i);
    RECT entry{};
    if (chosen >= 0 && GetMenuItemRect(window, menu, static_cast<UINT>(chosen), &entry))
      ui_kit::ClickAt(Center(entry));
    else
      PressKey(VK_ESCAPE);
  }

  std::string choose_;
  std::vector<std::string> captions_;
  RECT place_{};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// --- the surroundings: the browser, the installation, a parent window

// A hosting browser that keeps what it was asked; each call must be expected.
class RecordingBrowser : public HostBrowser, public testing::ExpectedCalls {
 public:
  RecordingBrowser() : ExpectedCalls("the hosting browser") {}
  std::vector<std::string> navigated, status;
  int32_t width = 1000;
  void Navigate(const std::string& url) override {
    Called("Navigate");
    navigated.push_back(url);
  }
  int32_t Width() override {
    Called("Width");
    return width;
  }
  void SetStatusText(const std::string& text) override {
    Called("SetStatusText");
    status.push_back(text);
  }
  void ShowBrowserBar(const std::string&, bool, int32_t) override { Called("ShowBrowserBar"); }
};

constexpr char kConfiguration[] =
    "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\nSeparator1=\r\nHome=\r\nNewsSubMenu=\r\n"
    "World=\r\nToolsSubMenu=\r\nClock=\r\nOneA=\r\nOneB=\r\nSpeedBtn1=\r\n"
    "[miSearch]\r\nParent=Toolbar\r\nCaption=Search\r\nImageIndex=8\r\nCount=2\r\n"
    "[Web]\r\nParent=miSearch\r\nCaption=Web\r\nImageIndex=9\r\nTag=1\r\nGroupIndex=1\r\n"
    "URL=http://web.example/?q=[SEARCH]\r\n"
    "[News]\r\nParent=miSearch\r\nCaption=News\r\nImageIndex=10\r\nTag=2\r\nGroupIndex=1\r\n"
    "URL=http://news.example/?q=[SEARCH]\r\n"
    "[Separator1]\r\nParent=Toolbar\r\n"
    "[Home]\r\nParent=Toolbar\r\nCaption=Home\r\nImageIndex=1\r\nURL=http://home.example/\r\n"
    "[NewsSubMenu]\r\nParent=Toolbar\r\nCaption=Papers\r\nImageIndex=0\r\n"
    "URL=http://papers.example/\r\n"
    "[World]\r\nParent=NewsSubMenu\r\nCaption=World\r\nImageIndex=3\r\n"
    "URL=http://papers.example/world\r\n"
    "[ToolsSubMenu]\r\nParent=Toolbar\r\nCaption=Tools\r\nImageIndex=45\r\n"
    "[Clock]\r\nParent=ToolsSubMenu\r\nCaption=Clock\r\nURL=http://clock.example/\r\n"
    "[OneA]\r\nParent=Toolbar\r\nCaption=A\r\nImageIndex=13\r\nGroupIndex=2\r\n"
    "URL=http://a.example/\r\n"
    "[OneB]\r\nParent=Toolbar\r\nCaption=B\r\nImageIndex=14\r\nGroupIndex=2\r\n"
    "URL=http://b.example/\r\n"
    "[SpeedBtn1]\r\nParent=Toolbar\r\nCaption=Mine\r\nImageIndex=1\r\nTag=111\r\n"
    "URL=http://speed.example/\r\n";

// One top-level window for every test: making one under Wine is slow.
HWND SharedParent() {
  static HWND parent =
      testing::MakeParentWindow(L"ToolbarWindowTestParent", {1000, 120}, COLOR_APPWORKSPACE);
  return parent;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A string value as the registry holds it, in UTF-16; none when missing.
std::optional<std::wstring> StoredString(const std::string& key_path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Wide(key_path).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<std::wstring> value;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                         &size) == ERROR_SUCCESS)
      value = text.c_str();  // up to the stored terminator
  }
  RegCloseKey(key);
  return value;
}

class ToolbarWindowTest : public ::testing::Test {
 protected:
  virtual std::string Configuration() const { return kConfiguration; }
  virtual std::wstring SpeedAddress() const { return L"http://mine/"; }
  virtual int ParentWidth() const { return 1000; }
  virtual HWND Parent() const { return SharedParent(); }
  void SetUp() override {
    std::ofstream(dir_.File("Bar.ini"), std::ios::binary) << Configuration();
    HKEY key = key_.Open();
    SetString(key, L"SpeedBtn1", SpeedAddress());
    SetString(key, L"InstallPath", win32::Wide(dir_.path()));
    RegCloseKey(key);
    ToolbarConfig.InstallPath = dir_.path();
    ToolbarConfig.ToolbarFile = ToolbarConfig.ToolbarName = "Bar";
    ToolbarConfig.BandKeyPath = key_.path();
    ToolbarConfig.SearchUrl = kDefaultSearchUrl;
    ToolbarConfig.HomePageUrl = "http://start.example/";
    ToolbarConfig.DefaultSpeedCount = 1;
    platform_.ui = &ui_;
    SetWindowPos(Parent(), nullptr, 0, 0, ParentWidth(), 120, SWP_NOZORDER | SWP_NOMOVE);
    SetForegroundWindow(Parent());
    window_ = std::make_unique<ToolbarWindow>(Parent(), platform_);
    window_->SetHostBrowser(browser_);
    toolbar_ = window_->ToolbarControl();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window_->Handle()) != FALSE; }));
  }
  // The window made narrower than its buttons, so that the chevron shows, and
  // the accessible object of its client area; COM is the caller's to set up.
  Microsoft::WRL::ComPtr<IAccessible> NarrowedClient() {
    browser_->Expect({"Width"});
    browser_->width = 520;
    SetWindowPos(window_->Handle(), nullptr, 0, 0, 700, window_->IdealHeight(),
                 SWP_NOZORDER | SWP_NOMOVE);
    Microsoft::WRL::ComPtr<IAccessible> client;
    EXPECT_EQ(AccessibleObjectFromWindow(window_->Handle(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(client.GetAddressOf())),
              S_OK);
    return client;
  }
  void TearDown() override {
    window_.reset();
    EXPECT_TRUE(ui_.shown.empty()) << ui_.shown.front().text;
    ClearToolbarConfig();
    // The mouse leaves the toolbar's place: the next test's window, shown
    // under it, would hear of it as a move over its buttons.
    MoveMouse({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1});
  }

  testing::ScratchDir dir_;
  testing::ScratchKey key_;
  testing::Win32Ports ports_;
  Platform& platform_ = ports_.platform;
  fakes::FakeUserInterface ui_;
  std::shared_ptr<RecordingBrowser> browser_ = std::make_shared<RecordingBrowser>();
  std::unique_ptr<ToolbarWindow> window_;
  HWND toolbar_ = nullptr;
};

TEST_F(ToolbarWindowTest, ButtonsShowTheConfiguredItemsInOrderWithTheirTooltips) {
  struct Expected {
    const char* caption;
    BYTE style;
    int image;
    const char* tip = nullptr;  // null: not asked
  };
  const Expected expected[] = {
      {"", BTNS_SEP, -1},  // banner area (width, not an image)
      {"", BTNS_SEP, 0},
      {"", BTNS_SEP, -1},  // search box
      {"Web", BTNS_DROPDOWN, 9},
      {"", BTNS_SEP, 0},
      {"Home", 0, 1, ""},  // only items that ask for it show their hint
      {"Papers", BTNS_DROPDOWN, 0},
      {"Tools", BTNS_WHOLEDROPDOWN, 45},
      {"A", 0, 13},
      {"B", 0, 14},
      {"Mine", 0, 11, "http://mine/"},  // a speed button with an address of the user's own
  };
  const std::vector<Button> buttons = Buttons(toolbar_);
  ASSERT_EQ(buttons.size(), std::size(expected));
  for (size_t i = 0; i < buttons.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(buttons[i].caption, expected[i].caption);
    EXPECT_EQ(buttons[i].style & (BTNS_SEP | BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN),
              expected[i].style);
    if (!(expected[i].style & BTNS_SEP)) {
      EXPECT_EQ(buttons[i].image, expected[i].image);
    }
    if (expected[i].tip) {
      NMTTDISPINFOW info{};
      info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(toolbar_, TB_GETTOOLTIPS, 0, 0));
      info.hdr.idFrom = static_cast<UINT_PTR>(buttons[i].command);
      info.hdr.code = TTN_GETDISPINFOW;
      SendMessageW(window_->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
      EXPECT_EQ(win32::Utf8(info.lpszText ? info.lpszText : info.szText), expected[i].tip);
    }
  }
  // The banner and the search box sit over their places.
  RECT banner{}, search{};
  GetWindowRect(window_->BannerAreaWindow(), &banner);
  GetWindowRect(window_->SearchBoxControl(), &search);
  EXPECT_EQ(banner.left, buttons[0].place.left);
  EXPECT_EQ(search.left, buttons[2].place.left);
  EXPECT_GE(window_->IdealHeight(), search.bottom - search.top);
}

// A click in a radio group also moves its check mark.
TEST_F(ToolbarWindowTest, ClicksReachTheItemsTheBannerAndTheStatusBar) {
  browser_->Expect({"Navigate", "SetStatusText"});
  struct Case {
    const char* button;  // null: the banner
    const char* address;
    const char* unchecked = nullptr;  // the other button of the clicked one's radio group
  };
  for (const Case& c :
       {Case{"Home", "http://home.example/"}, Case{"Papers", "http://papers.example/"},
        Case{nullptr, "http://start.example/"}, Case{"B", "http://b.example/", "A"},
        Case{"A", "http://a.example/", "B"}, Case{"B", "http://b.example/", "A"}}) {
    SCOPED_TRACE(c.address);
    browser_->navigated.clear();
    if (c.button) {
      const Button button = Find(toolbar_, c.button);
      // The main part of a split button: well left of its arrow.
      Click({button.place.left + 6, Center(button.place).y}, toolbar_);
    } else {
      RECT banner{};
      GetWindowRect(window_->BannerPictureControl(), &banner);
      Click(Center(banner), window_->BannerPictureControl());
    }
    ASSERT_TRUE(WaitFor([&] { return !browser_->navigated.empty(); }));
    EXPECT_EQ(browser_->navigated, std::vector<std::string>{c.address});
    if (c.unchecked) {
      EXPECT_TRUE(WaitFor([&] { return Find(toolbar_, c.button).state & TBSTATE_CHECKED; }));
      EXPECT_FALSE(Find(toolbar_, c.unchecked).state & TBSTATE_CHECKED);
    }
  }
  browser_->status.clear();
  MoveMouse(Center(Find(toolbar_, "Home").place));
  EXPECT_TRUE(
      WaitFor([&] { return !browser_->status.empty() && browser_->status.back() == "Home"; }));
}

// A chosen entry is opened or, of the search button's menu, becomes the
// search type that the button shows.
TEST_F(ToolbarWindowTest, RightClickAndDropDownMenusListTheirEntriesAndTheirClicksCount) {
  // A highlighted entry shows its address in the status bar.
  browser_->Expect({"Navigate", "SetStatusText"});
  RECT edit{};
  GetWindowRect(window_->SearchEditControl(), &edit);
  const RECT last = Buttons(toolbar_).back().place;
  const auto arrow = [&](const char* caption) {
    const RECT place = Find(toolbar_, caption).place;
    return POINT{place.right - 3, Center(place).y};
  };
  struct Case {
    POINT at;
    HWND target;
    bool right;
    std::vector<std::string> captions;
    const char* choose;   // empty: the menu is closed
    const char* address;  // null: nothing opened
  };
  const Case cases[] = {
      {Center(edit),
       window_->SearchEditControl(),
       true,
       {"Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V", "&Delete\tDel", "-", "Select &All", "-",
        "Save Searches To File", "Load Searches From File", "Edit History File in Text Editor",
        "Refresh Searches", "-", "Remove Selected From List", "Clear Search Box History"},
       "",
       nullptr},
      {{last.right + 40, Center(last).y},
       toolbar_,
       true,
       {"Toolbar Support", "Toolbar Website", "-", "About Toolbar...", "Close Toolbar"},
       "",
       nullptr},
      {arrow("Papers"), toolbar_, false, {"World"}, "World", "http://papers.example/world"},
      {arrow("Tools"), toolbar_, false, {"Clock"}, "Clock", "http://clock.example/"},
      {arrow("Web"), toolbar_, false, {"(*) Web", "News"}, "News", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.captions.front());
    browser_->navigated.clear();
    MenuWatcher watcher(c.choose);
    Click(c.at, c.target, c.right);
    ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
    EXPECT_EQ(watcher.Captions(), c.captions);
    if (c.address) {
      ASSERT_TRUE(WaitFor([&] { return !browser_->navigated.empty(); }));
      EXPECT_EQ(browser_->navigated, std::vector<std::string>{c.address});
    }
  }
  EXPECT_TRUE(WaitFor([&] { return Buttons(toolbar_)[3].caption == "News"; }));
  EXPECT_EQ(Buttons(toolbar_)[3].image, 10);
}

// Of the system's calling convention, which a lambda is not on i686.
LRESULT CALLBACK CountParentNotifications(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR, DWORD_PTR count) {
  if (message == WM_PARENTNOTIFY) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(window, message, wparam, lparam);
}

TEST_F(ToolbarWindowTest, EnterInTheSearchBoxSearchesOnce) {
  browser_->Expect({"Navigate"});
  // A click in the box gives it the focus and tells the band through the
  // parent's notification.
  static int parent_notifications;  // outlives the window, whatever fails
  parent_notifications = 0;
  SetWindowSubclass(window_->Handle(), CountParentNotifications, 2,
                    reinterpret_cast<DWORD_PTR>(&parent_notifications));
  RECT edit{};
  GetWindowRect(window_->SearchEditControl(), &edit);
  Click(Center(edit), window_->SearchEditControl());
  ASSERT_TRUE(WaitFor([&] { return GetFocus() == window_->SearchEditControl(); }));
  EXPECT_GT(parent_notifications, 0);
  SetWindowTextW(window_->SearchBoxControl(), L"two words");
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !browser_->navigated.empty(); }));
  // Whatever else arrives in the meantime is a second search.
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(browser_->navigated, std::vector<std::string>{"http://web.example/?q=two+words"});
  EXPECT_EQ(SendMessageW(window_->SearchBoxControl(), CB_GETCOUNT, 0, 0), 1);
  RemoveWindowSubclass(window_->Handle(), CountParentNotifications, 2);
  // Focus on the window goes to the search box.
  SetFocus(nullptr);
  SetFocus(window_->Handle());
  EXPECT_EQ(GetFocus(), window_->SearchEditControl());
}

TEST_F(ToolbarWindowTest, NarrowWindowOffersTheItemsThatDoNotFitBehindTheChevron) {
  browser_->Expect({"Navigate", "Width"});
  // The browser decides the width: its own less a margin.
  browser_->width = 520;
  SetWindowPos(window_->Handle(), nullptr, 0, 0, 700, window_->IdealHeight(),
               SWP_NOZORDER | SWP_NOMOVE);
  RECT area{};
  GetClientRect(window_->Handle(), &area);
  EXPECT_EQ(area.right, 500);
  MenuWatcher watcher("B");
  SendMessageW(window_->DockControl(), RB_PUSHCHEVRON, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
  const std::vector<std::string> captions = watcher.Captions();
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions.back(), "Mine");
  EXPECT_EQ(captions.size() > 1 ? captions[captions.size() - 2] : "", "B");
  ASSERT_TRUE(WaitFor([&] { return !browser_->navigated.empty(); }));
  EXPECT_EQ(browser_->navigated, std::vector<std::string>{"http://b.example/"});
}

TEST_F(ToolbarWindowTest, AClickOnTheChevronOpensItsMenuAndTheToolbarEndsWhereItBegins) {
  browser_->Expect({"Width"});
  browser_->width = 520;
  SetWindowPos(window_->Handle(), nullptr, 0, 0, 700, window_->IdealHeight(),
               SWP_NOZORDER | SWP_NOMOVE);
  // The toolbar gives the chevron its room at the window's right end.
  RECT area{}, toolbar{};
  GetClientRect(window_->Handle(), &area);
  GetWindowRect(window_->ToolbarControl(), &toolbar);
  MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&toolbar), 2);
  const int chevron = ScaleToDpi(kDesignChevronWidth, win32::WindowDpi(window_->Handle()));
  EXPECT_EQ(toolbar.right, area.right - chevron);
  // The user clicks the chevron, and escapes its menu.
  POINT middle{area.right - chevron / 2, (toolbar.top + toolbar.bottom) / 2};
  ClientToScreen(window_->Handle(), &middle);
  MenuWatcher watcher;
  Click(middle, window_->Handle());
  ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
  EXPECT_FALSE(watcher.Captions().empty());
  EXPECT_TRUE(browser_->navigated.empty());
}

// A child of the client object by number, as a client passes it.
VARIANT Child(long number) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = number;
  return child;
}

std::wstring AccessibleName(IAccessible& object, long child) {
  BSTR name = nullptr;
  if (object.get_accName(Child(child), &name) != S_OK || !name) return L"(none)";
  std::wstring text(name, SysStringLen(name));
  SysFreeString(name);
  return text;
}

TEST_F(ToolbarWindowTest, AccessibilityToolsFindTheChevronAsAMenuButtonThatOpensItsMenu) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    const Microsoft::WRL::ComPtr<IAccessible> client = NarrowedClient();
    ASSERT_TRUE(client);
    // After the window's own child, the toolbar control.
    long count = 0;
    ASSERT_EQ(client->get_accChildCount(&count), S_OK);
    ASSERT_GE(count, 2);
    const long chevron = count;
    EXPECT_EQ(AccessibleName(*client.Get(), chevron), L"Chevron");
    VARIANT role, state;
    ASSERT_EQ(client->get_accRole(Child(chevron), &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_BUTTONMENU);
    ASSERT_EQ(client->get_accState(Child(chevron), &state), S_OK);
    EXPECT_EQ(state.lVal & (STATE_SYSTEM_HASPOPUP | STATE_SYSTEM_INVISIBLE),
              STATE_SYSTEM_HASPOPUP);

    // Where the window draws it: at its right end, beside the toolbar.
    RECT area{}, toolbar{};
    GetClientRect(window_->Handle(), &area);
    MapWindowPoints(window_->Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    GetWindowRect(window_->ToolbarControl(), &toolbar);
    long left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(client->accLocation(&left, &top, &width, &height, Child(chevron)), S_OK);
    EXPECT_EQ(left, toolbar.right);
    EXPECT_EQ(left + width, area.right);
    EXPECT_EQ(top, toolbar.top);
    EXPECT_EQ(height, toolbar.bottom - toolbar.top);
    struct Hit {
      POINT at;
      bool chevron;
    };
    for (const Hit& hit : {Hit{{left + width / 2, top + height / 2}, true},
                           Hit{{toolbar.left + 5, top + height / 2}, false}}) {
      VARIANT found;
      VariantInit(&found);
      ASSERT_EQ(client->accHitTest(hit.at.x, hit.at.y, &found), S_OK);
      EXPECT_EQ(found.vt == VT_I4 && found.lVal == chevron, hit.chevron)
          << hit.at.x << "," << hit.at.y;
      VariantClear(&found);
    }

    // It comes last among the window's children, after the toolbar.
    struct Step {
      long from, direction;
      HRESULT result;
      long to;
    };
    for (const Step& step : {Step{CHILDID_SELF, NAVDIR_LASTCHILD, S_OK, chevron},
                             Step{chevron - 1, NAVDIR_NEXT, S_OK, chevron},
                             Step{chevron, NAVDIR_PREVIOUS, S_OK, chevron - 1},
                             Step{chevron, NAVDIR_NEXT, S_FALSE, 0}}) {
      VARIANT reached;
      VariantInit(&reached);
      EXPECT_EQ(client->accNavigate(step.direction, Child(step.from), &reached), step.result)
          << step.from << " " << step.direction;
      if (step.result == S_OK) {
        EXPECT_TRUE(reached.vt == VT_I4 && reached.lVal == step.to) << step.from;
      }
      VariantClear(&reached);
    }

    // Its action opens the menu of the items that do not fit.
    MenuWatcher watcher;
    EXPECT_EQ(client->accDoDefaultAction(Child(chevron)), S_OK);
    ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
    EXPECT_FALSE(watcher.Captions().empty());

    // Wide enough for every button: no chevron to find.
    browser_->width = 2000;
    SetWindowPos(window_->Handle(), nullptr, 0, 0, 2000, window_->IdealHeight(),
                 SWP_NOZORDER | SWP_NOMOVE);
    ASSERT_EQ(client->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, chevron - 1);
    EXPECT_EQ(AccessibleName(*client.Get(), chevron), L"(none)");

    // The banner picture is named by the toolbar's name.
    Microsoft::WRL::ComPtr<IAccessible> banner;
    ASSERT_EQ(AccessibleObjectFromWindow(window_->BannerPictureControl(), OBJID_CLIENT,
                                         IID_IAccessible,
                                         reinterpret_cast<void**>(banner.GetAddressOf())),
              S_OK);
    EXPECT_EQ(AccessibleName(*banner.Get(), CHILDID_SELF), L"Bar");

    // A client may hold the object past the window.
    window_.reset();
    EXPECT_EQ(AccessibleName(*client.Get(), chevron), L"(none)");
    EXPECT_GT(win32::ChevronAccessible::Live(), 0);
  }
  EXPECT_EQ(win32::ChevronAccessible::Live(), 0);
  CoUninitialize();
  EXPECT_TRUE(browser_->navigated.empty());
}

// While a dialog of the toolbar is open its browser window is disabled, and
// the chevron no more takes a click than any button does. An accessibility
// tool finds it unavailable, and its action opens no menu whose commands would
// run inside the dialog's loop.
TEST_F(ToolbarWindowTest, TheChevronIsUnavailableWhileTheBrowserWindowIsDisabled) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    const Microsoft::WRL::ComPtr<IAccessible> client = NarrowedClient();
    ASSERT_TRUE(client);
    long chevron = 0;
    ASSERT_EQ(client->get_accChildCount(&chevron), S_OK);
    ASSERT_EQ(AccessibleName(*client.Get(), chevron), L"Chevron");
    // As a modal dialog owned by the browser's window leaves it.
    EnableWindow(SharedParent(), FALSE);
    VARIANT state;
    VariantInit(&state);
    ASSERT_EQ(client->get_accState(Child(chevron), &state), S_OK);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_UNAVAILABLE) << "state " << std::hex << state.lVal;
    MenuWatcher watcher;
    client->accDoDefaultAction(Child(chevron));
    WaitFor([&] { return watcher.Done(); });
    EXPECT_TRUE(watcher.Captions().empty())
        << "a menu opened over the dialog, its first entry " << watcher.Captions().front();
    EnableWindow(SharedParent(), TRUE);
  }
  CoUninitialize();
}

// What the search box is asked while its list is filled.
struct FillRecord {
  int reservations = 0;
  WPARAM reserved = 0;
  int appended = 0;   // inserts at the end, in order
  int elsewhere = 0;  // inserts anywhere else, or sorted adds
};

LRESULT CALLBACK RecordFill(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                            DWORD_PTR data) {
  auto& record = *reinterpret_cast<FillRecord*>(data);
  if (message == CB_INITSTORAGE) {
    ++record.reservations;
    record.reserved = wparam;
  } else if (message == CB_INSERTSTRING) {
    // The list was emptied first, so the end is the number appended so far.
    ++(wparam == static_cast<WPARAM>(record.appended) ? record.appended : record.elsewhere);
  } else if (message == CB_ADDSTRING) {
    ++record.elsewhere;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

TEST_F(ToolbarWindowTest, LongHistoryFillsTheListInOrderInLinearTime) {
  const HWND box = window_->SearchBoxControl();
  EXPECT_FALSE(GetWindowLongW(box, GWL_STYLE) & CBS_SORT);
  window_->SetSearchText("kept");
  for (const int count : {10000, 100000}) {
    SCOPED_TRACE(count);
    TStringList entries;
    char entry[16];
    for (int i = 0; i < count; ++i) {
      std::snprintf(entry, sizeof entry, "entry %06d", i);
      entries.Add(entry);
    }
    FillRecord record;
    SetWindowSubclass(box, RecordFill, 1, reinterpret_cast<DWORD_PTR>(&record));
    const DWORD start = GetTickCount();
    window_->ShowSearchList(entries);
    std::printf("search list fill: %d entries %lu ms\n", count, GetTickCount() - start);
    RemoveWindowSubclass(box, RecordFill, 1);
    // Room for all at once, then each entry appended: linear however long.
    EXPECT_EQ(record.reservations, 1);
    EXPECT_EQ(record.reserved, static_cast<WPARAM>(count));
    EXPECT_EQ(record.appended, count);
    EXPECT_EQ(record.elsewhere, 0);
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), count);
    for (int index : {0, count / 2, count - 1}) {
      wchar_t text[16] = {};
      SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
      std::snprintf(entry, sizeof entry, "entry %06d", index);
      EXPECT_EQ(win32::Utf8(text), entry);
    }
  }
  EXPECT_EQ(window_->SearchText(), "kept");
}

TEST_F(ToolbarWindowTest, ParentDestroyedFirstStillSavesTheSearchState) {
  window_.reset();
  HWND holder = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1000, 40,
                                SharedParent(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(holder, nullptr);
  auto window = std::make_unique<ToolbarWindow>(holder, platform_);
  window->SetSearchText("kept");
  EXPECT_EQ(ToolbarWindow::WindowCount(), 1);
  DestroyWindow(holder);
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(ToolbarWindow::WindowCount(), 0);
  window.reset();
  EXPECT_EQ(StoredString(key_.path(), L"Search"), std::wstring(L"kept"));
}

// Built hidden, as a band's window waits for its host to show the band: the
// show step waits too, and the window shows at the size its parent gave it
// meanwhile, with its dock across it and the controls over their places.
TEST_F(ToolbarWindowTest, AWindowBuiltHiddenShowsWhereItWasPutAndRunsItsShowStepThen) {
  window_.reset();
  HKEY key = key_.Open();
  RegDeleteValueW(key, L"Date");
  RegCloseKey(key);
  auto window = std::make_unique<ToolbarWindow>(SharedParent(), platform_,
                                                ToolbarWindow::Start::Hidden);
  EXPECT_FALSE(IsWindowVisible(window->Handle()));
  EXPECT_EQ(StoredString(key_.path(), L"Date"), std::nullopt) << "the show step ran hidden";
  const int height = window->IdealHeight();
  EXPECT_GE(height, 22) << "the row's height is known before the window shows";
  MoveWindow(window->Handle(), 0, 0, 640, height, FALSE);
  window->Show();
  ASSERT_TRUE(IsWindowVisible(window->Handle()));
  EXPECT_NE(StoredString(key_.path(), L"Date"), std::nullopt);
  RECT dock{};
  GetClientRect(window->DockControl(), &dock);
  EXPECT_EQ(dock.right, 640);
  EXPECT_EQ(dock.bottom, height);
  // Each control sits over the separator that keeps its place.
  const HWND toolbar = window->ToolbarControl();
  const struct {
    HWND control;
    int index;
  } places[] = {{window->BannerAreaWindow(), 0}, {window->SearchBoxControl(), 2}};
  for (const auto& [control, index] : places) {
    RECT place{}, own{};
    ASSERT_TRUE(SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place)));
    GetWindowRect(control, &own);
    MapWindowPoints(nullptr, toolbar, reinterpret_cast<POINT*>(&own), 2);
    EXPECT_EQ(own.left, place.left) << index;
    EXPECT_GE(own.top, place.top) << index;
    EXPECT_LE(own.bottom, place.bottom) << index;
  }
}

// Captions in three scripts, written as UTF-8 without a byte-order mark, as
// publishers save them today.
constexpr char kUtf8Configuration[] =
    "[Toolbar Items]\r\nmiSearch=\r\nLatin=\r\nJapanese=\r\nNewsSubMenu=\r\nTokyo=\r\n"
    "SpeedBtn1=\r\n"
    "[miSearch]\r\nParent=Toolbar\r\nCaption=Search\r\nImageIndex=8\r\nCount=2\r\n"
    "[Latin]\r\nParent=miSearch\r\nCaption=Caf\xC3\xA9\r\nImageIndex=9\r\nTag=1\r\n"
    "GroupIndex=1\r\nURL=http://web.example/?q=[SEARCH]\r\n"
    "[Japanese]\r\nParent=miSearch\r\nCaption=\xE6\x9D\xB1\xE4\xBA\xAC\r\nImageIndex=10\r\n"
    "Tag=2\r\nGroupIndex=1\r\nURL=http://jp.example/?q=[SEARCH]\r\n"
    "[NewsSubMenu]\r\nParent=Toolbar\r\n"
    "Caption=\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8\r\nImageIndex=0\r\n"
    "URL=http://news.example/\r\n"
    "[Tokyo]\r\nParent=NewsSubMenu\r\nCaption=\xE6\x9D\xB1\xE4\xBA\xAC Caf\xC3\xA9\r\n"
    "URL=http://news.example/tokyo\r\n"
    "[SpeedBtn1]\r\nParent=Toolbar\r\nCaption=\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8"
    "\r\nImageIndex=1\r\nTag=111\r\nURL=http://speed.example/\r\n";

class Utf8ToolbarWindowTest : public ToolbarWindowTest {
 protected:
  std::string Configuration() const override { return kUtf8Configuration; }
  // The speed button's address of the user's own, in the registry's UTF-16.
  std::wstring SpeedAddress() const override { return L"http://mine.example/Caf\u00E9/\u6771\u4EAC"; }
};

constexpr char kCafe[] = "Caf\xC3\xA9";
constexpr char kTokyo[] = "\xE6\x9D\xB1\xE4\xBA\xAC";
constexpr char kNews[] = "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8";

// Every surface that shows a caption shows it whole: the buttons, their
// tooltips, their menus and the status bar.
TEST_F(Utf8ToolbarWindowTest, CaptionsInEveryScriptReadBackExactly) {
  browser_->Expect({"Navigate", "SetStatusText"});
  const std::vector<Button> buttons = Buttons(toolbar_);
  std::vector<std::string> captions;
  for (const Button& button : buttons)
    if (!(button.style & BTNS_SEP)) captions.push_back(button.caption);
  EXPECT_EQ(captions, (std::vector<std::string>{kCafe, kNews, kNews}));

  // The speed button's tooltip is its address, as the registry holds it.
  const Button speed = buttons.back();
  NMTTDISPINFOW info{};
  info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(toolbar_, TB_GETTOOLTIPS, 0, 0));
  info.hdr.idFrom = static_cast<UINT_PTR>(speed.command);
  info.hdr.code = TTN_GETDISPINFOW;
  SendMessageW(window_->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(std::wstring(info.lpszText ? info.lpszText : info.szText), SpeedAddress());

  const auto arrow = [&](const char* caption) {
    const RECT place = Find(toolbar_, caption).place;
    return POINT{place.right - 3, Center(place).y};
  };
  struct Case {
    const char* button;
    std::vector<std::string> captions;
    std::string choose;
  };
  const Case cases[] = {
      {kNews, {std::string(kTokyo) + " " + kCafe}, ""},
      {kCafe, {std::string("(*) ") + kCafe, kTokyo}, kTokyo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    MenuWatcher watcher(c.choose);
    Click(arrow(c.button), toolbar_);
    ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
    EXPECT_EQ(watcher.Captions(), c.captions);
  }
  // The search type chosen from the menu is the button's caption now.
  EXPECT_TRUE(WaitFor([&] { return Buttons(toolbar_)[3].caption == kTokyo; }));

  // The status bar names the button under the mouse.
  RECT news = Find(toolbar_, kNews).place;
  MapWindowPoints(nullptr, toolbar_, reinterpret_cast<POINT*>(&news), 2);
  SendMessageW(toolbar_, WM_MOUSEMOVE, 0, MAKELPARAM(news.left + 2, Center(news).y));
  ASSERT_FALSE(browser_->status.empty());
  EXPECT_EQ(browser_->status.back(), kNews);
}

// Typed text and the last search reach the registry whole, as UTF-16.
TEST_F(Utf8ToolbarWindowTest, TheLastSearchIsStoredAsUtf16) {
  const std::wstring typed = L"\u6771\u4EAC \u041D\u043E\u0432\u043E\u0441\u0442\u0438 Caf\u00E9";
  SetWindowTextW(window_->SearchBoxControl(), typed.c_str());
  EXPECT_EQ(window_->SearchText(), win32::Utf8(typed));
  window_.reset();
  EXPECT_EQ(StoredString(key_.path(), L"Search"), typed);
}

// The pixels, rows top down, of a picture of 32 bits a pixel that `draw`
// draws into a memory device context.
std::vector<uint32_t> DrawnPixels(int width, int height, const std::function<void(HDC)>& draw) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  draw(memory);
  GdiFlush();
  const auto* read = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> pixels(read, read + static_cast<size_t>(width) * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return pixels;
}

// The pixels of a window as the screen shows them, to tell where something is
// drawn on its background.
class Screenshot {
 public:
  explicit Screenshot(HWND window) {
    GetWindowRect(window, &area_);
    const int width = area_.right - area_.left, height = area_.bottom - area_.top;
    HDC screen = GetDC(nullptr);
    pixels_ = DrawnPixels(width, height, [&](HDC memory) {
      BitBlt(memory, 0, 0, width, height, screen, area_.left, area_.top, SRCCOPY);
    });
    ReleaseDC(nullptr, screen);
  }
  // The first and last columns of a place on the screen where anything
  // differs from the colour at its top left corner; past the end when none.
  // Only the part of the place within the window counts.
  int FirstDrawnColumn(const RECT& place) const {
    const RECT shown = Shown(place);
    for (int x = shown.left; x < shown.right; ++x)
      if (Drawn(shown, x)) return x;
    return place.right;
  }
  int LastDrawnColumn(const RECT& place) const {
    const RECT shown = Shown(place);
    for (int x = shown.right - 1; x >= shown.left; --x)
      if (Drawn(shown, x)) return x;
    return place.left - 1;
  }
  // The colour shown at a point of the screen, as 0xRRGGBB.
  uint32_t Color(POINT at) const { return At(at.x, at.y); }
  bool Shows(const RECT& place) const {
    const RECT shown = Shown(place);
    return shown.left < shown.right && shown.top < shown.bottom;
  }

 private:
  RECT Shown(const RECT& place) const {
    RECT shown{};
    IntersectRect(&shown, &place, &area_);
    return shown;
  }
  uint32_t At(int x, int y) const {
    const int width = area_.right - area_.left;
    return pixels_[static_cast<size_t>(y - area_.top) * width + (x - area_.left)] & 0xFFFFFF;
  }
  bool Drawn(const RECT& place, int x) const {
    const uint32_t background = At(place.left, place.top);
    for (int y = place.top; y < place.bottom; ++y)
      if (At(x, y) != background) return true;
    return false;
  }
  RECT area_{};
  std::vector<uint32_t> pixels_;
};

// The DPI this run of the program is asked to check, from the run at 96 DPI
// that started it; 0 when it is the first run.
int CheckedDpi() {
  char value[16] = {};
  return GetEnvironmentVariableA("PQ_CHECKED_DPI", value, sizeof value) ? atoi(value) : 0;
}

// Wide enough for every button at 200 %, within the test display's 1280 pixels.
class WideToolbarWindowTest : public ToolbarWindowTest {
 protected:
  int ParentWidth() const override { return 1270; }
};

// At the screen's DPI, whatever it is: the image list's images are the size
// chosen for it, and no drop-down arrow comes near the next button's image.
TEST_F(WideToolbarWindowTest, ImagesAndDropDownArrowsAreSizedForTheScreensDpi) {
  const int dpi = win32::WindowDpi(window_->Handle());
  if (CheckedDpi()) {
    ASSERT_EQ(dpi, CheckedDpi()) << "the prefix's DPI did not take";
  }
  const ToolbarMetrics expected = win32::ToolbarMetricsAt(dpi, 11);

  const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar_, TB_GETIMAGELIST, 0, 0));
  int width = 0, height = 0;
  ASSERT_TRUE(ImageList_GetIconSize(images, &width, &height));
  EXPECT_EQ(width, ChooseIconStrip(dpi).image);
  EXPECT_EQ(height, ChooseIconStrip(dpi).image);
  EXPECT_EQ(ImageList_GetImageCount(images), win32::kIconStripImages);

  // What the control drew, read off the screen with the mouse away from it, so
  // that no button is hot and framed.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  RedrawWindow(toolbar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Screenshot shot(toolbar_);

  const std::vector<Button> buttons = Buttons(toolbar_);
  bool checked_split = false;
  for (size_t i = 0; i + 1 < buttons.size(); ++i) {
    const Button& button = buttons[i];
    const Button& next = buttons[i + 1];
    if (!(button.style & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN)) || (next.style & BTNS_SEP))
      continue;
    // At the highest DPI the last buttons may lie beyond the window's width.
    if (!shot.Shows(next.place)) continue;
    SCOPED_TRACE(button.caption);
    if (button.caption == "Papers") checked_split = true;
    // The arrow is the last thing drawn in its button; the next button starts
    // with its image.
    const int arrow_ends = shot.LastDrawnColumn(button.place);
    const int image_starts = shot.FirstDrawnColumn(next.place);
    ASSERT_GE(arrow_ends, button.place.left);
    ASSERT_LT(image_starts, next.place.right);
    EXPECT_GE(image_starts - arrow_ends - 1, expected.arrow_gap)
        << "arrow drawn up to " << arrow_ends << ", next image from " << image_starts << " button "
        << button.place.left << "-" << button.place.right << " next " << next.place.left << "-"
        << next.place.right;
  }
  EXPECT_TRUE(checked_split) << "the split button Papers was not seen before the next button";
}

// The same at 144 and 192 DPI, each in a run of this program of its own: a
// process takes the DPI from the prefix's settings as it starts.
TEST(ToolbarWindowDpi, ImagesAndArrowsAt144And192) {
  if (CheckedDpi()) GTEST_SKIP() << "already a run at one DPI";
  wchar_t program[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  const wchar_t* desktop = L"Control Panel\\Desktop";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, desktop, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD old_dpi = 0, size = sizeof old_dpi;
  const bool had_dpi =
      RegQueryValueExW(key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_dpi),
                       &size) == ERROR_SUCCESS;
  for (DWORD dpi : {144u, 192u}) {
    SCOPED_TRACE(dpi);
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    SetEnvironmentVariableA("PQ_CHECKED_DPI", std::to_string(dpi).c_str());
    std::wstring command = L"\"" + std::wstring(program) +
                           L"\" --gtest_filter=WideToolbarWindowTest.ImagesAndDropDownArrowsAreSizedForTheScreensDpi";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    DWORD code = 1;
    if (started) {
      // The prefix's DPI is put back below whatever the run does: one that
      // hangs is ended rather than left to leave the prefix at this DPI.
      if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    EXPECT_TRUE(started);
    EXPECT_EQ(code, 0u) << "the run at this DPI failed; its output is above";
  }
  SetEnvironmentVariableA("PQ_CHECKED_DPI", nullptr);
  if (had_dpi)
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_dpi),
                   sizeof old_dpi);
  else
    RegDeleteValueW(key, L"LogPixels");
  RegCloseKey(key);
}

// Captions with an ampersand, as publishers name their partners and topics.
constexpr char kAmpersandConfiguration[] =
    "[Toolbar Items]\r\nPlain=\r\nSingle=\r\nDoubled=\r\n"
    "[Plain]\r\nParent=Toolbar\r\nCaption=ATT\r\nURL=http://plain.example/\r\n"
    "[Single]\r\nParent=Toolbar\r\nCaption=AT&T\r\nURL=http://single.example/\r\n"
    "[Doubled]\r\nParent=Toolbar\r\nCaption=AT&&T\r\nURL=http://doubled.example/\r\n";

class AmpersandToolbarWindowTest : public ToolbarWindowTest {
 protected:
  std::string Configuration() const override { return kAmpersandConfiguration; }
};

// A button shows its caption as written: "AT&T" takes the room of the four
// characters, as the same text with its ampersand doubled does, not that of
// "ATT". No key reaches a button by a letter of its caption, so an ampersand
// there is text, nothing else.
TEST_F(AmpersandToolbarWindowTest, AButtonShowsTheAmpersandOfItsCaption) {
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  RedrawWindow(toolbar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Screenshot shot(toolbar_);
  // The three buttons in their order: the control holds their texts as it
  // shows them, not as the configuration gives them.
  std::vector<RECT> places;
  for (const Button& button : Buttons(toolbar_))
    if (button.caption.rfind("AT", 0) == 0) places.push_back(button.place);
  ASSERT_EQ(places.size(), 3u);
  auto drawn = [&](int index) {
    const RECT place = places[static_cast<size_t>(index)];
    return shot.LastDrawnColumn(place) - shot.FirstDrawnColumn(place) + 1;
  };
  const int plain = drawn(0), single = drawn(1), doubled = drawn(2);
  ASSERT_GT(plain, 0);
  EXPECT_GT(doubled, plain) << "the doubled ampersand shows as one";
  EXPECT_EQ(single, doubled) << "ATT " << plain << " px, AT&T " << single << " px, AT&&T "
                             << doubled << " px";
}

// A speed button's own address with a query of several parameters, as the
// user typed it.
constexpr wchar_t kQueryAddress[] = L"http://mine.example/?a=1&b=2&c=3&d=4&e=5&f=6";

class QuerySpeedAddressToolbarWindowTest : public ToolbarWindowTest {
 protected:
  std::wstring SpeedAddress() const override { return kQueryAddress; }
};

// The width a text takes in a window's font, each character shown.
int TextWidth(HWND window, const std::wstring& text) {
  HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  RECT room{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), -1, &room, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return room.right - room.left;
}

// The speed button's tooltip, as the user sees it under the mouse, shows the
// button's address as the user gave it: a tooltip made room for the address
// without its ampersands shows it without them.
TEST_F(QuerySpeedAddressToolbarWindowTest, TheSpeedButtonsTooltipShowsItsWholeAddress) {
  browser_->Expect({"SetStatusText"});
  const HWND tips = reinterpret_cast<HWND>(SendMessageW(toolbar_, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tips, nullptr);
  const Button mine = Find(toolbar_, "Mine");
  const POINT middle = Center(mine.place);
  ASSERT_TRUE(WaitFor([&] {
    HWND there = WindowFromPoint(middle);
    return there == toolbar_ || IsChild(toolbar_, there);
  }));
  MoveMouse({middle.x - 2, middle.y});
  MoveMouse(middle);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(tips) != FALSE; })) << "no tooltip shows";
  wchar_t text[256] = {};
  GetWindowTextW(tips, text, static_cast<int>(std::size(text)));
  // The text as the tooltip shows it: "&&" is one "&", a lone "&" marks the
  // letter after it and shows nothing.
  std::wstring shown;
  for (size_t i = 0; text[i]; ++i) {
    if (text[i] == L'&') {
      if (text[i + 1] != L'&') continue;
      ++i;
    }
    shown.push_back(text[i]);
  }
  EXPECT_EQ(shown, kQueryAddress);
  RECT room{};
  GetClientRect(tips, &room);
  std::wstring without = kQueryAddress;
  std::erase(without, L'&');
  EXPECT_GE(room.right - room.left, TextWidth(tips, kQueryAddress))
      << "the tooltip is " << room.right - room.left << " px wide; the address takes "
      << TextWidth(tips, kQueryAddress) << " px, without its ampersands "
      << TextWidth(tips, without) << " px";
}

// --- a browser whose frame is mirrored for a right-to-left language

// A browser window away from the screen's left edge, laid out left to right
// or mirrored (WS_EX_LAYOUTRTL, which its children inherit), one of each for
// every test of its layout.
HWND LayoutParent(DWORD layout) {
  static HWND parents[2] = {};
  HWND& parent = parents[layout ? 1 : 0];
  if (!parent) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1));
    window_class.lpszClassName = L"ToolbarWindowTestLayoutParent";
    RegisterClassExW(&window_class);
    parent = CreateWindowExW(layout, window_class.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 150,
                             0, 1000, 120, nullptr, nullptr, window_class.hInstance, nullptr);
  }
  return parent;
}

std::string LayoutName(const ::testing::TestParamInfo<DWORD>& info) {
  return info.param ? "RightToLeft" : "LeftToRight";
}

class LayoutToolbarWindowTest : public ToolbarWindowTest,
                                public ::testing::WithParamInterface<DWORD> {
 protected:
  HWND Parent() const override { return LayoutParent(GetParam()); }
  bool Mirrored() const { return GetParam() != 0; }
};

// The chevron sits at the end of the row, where the buttons that do not fit
// would be; its menu opens from there over the toolbar, not beside it into
// the page.
TEST_P(LayoutToolbarWindowTest, TheChevronsMenuOpensOverTheToolbar) {
  browser_->Expect({"Width"});
  browser_->width = 520;
  SetWindowPos(window_->Handle(), nullptr, 0, 0, 700, window_->IdealHeight(),
               SWP_NOZORDER | SWP_NOMOVE);
  RECT window{};
  GetWindowRect(window_->Handle(), &window);
  ASSERT_EQ(window.right - window.left, 500);
  MenuWatcher watcher;
  SendMessageW(window_->DockControl(), RB_PUSHCHEVRON, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
  // The buttons that did not fit, at the row's end.
  const std::vector<std::string> captions = watcher.Captions();
  ASSERT_GE(captions.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(captions.end() - 2, captions.end()),
            (std::vector<std::string>{"B", "Mine"}));
  const RECT menu = watcher.Place();
  EXPECT_GE(menu.left, window.left) << "menu " << menu.left << "-" << menu.right << ", toolbar "
                                    << window.left << "-" << window.right;
  EXPECT_LE(menu.right, window.right) << "menu " << menu.left << "-" << menu.right
                                      << ", toolbar " << window.left << "-" << window.right;
}

// A button's menu, and the search box's menu called up from the keyboard,
// open below them, lined up with the edge where they begin in the reading
// order: their left edge, or in a mirrored frame their right.
TEST_P(LayoutToolbarWindowTest, MenusLineUpWithTheStartOfWhatOpensThem) {
  const HWND edit = window_->SearchEditControl();
  RECT box{};
  GetWindowRect(window_->SearchBoxControl(), &box);
  struct Case {
    const char* name;
    std::function<void()> open;
    RECT place;  // on the screen
  };
  const Button tools = Find(toolbar_, "Tools");
  const Case cases[] = {
      {"the Tools button",
       [&] {
         SendMessageW(window_->Handle(), WM_COMMAND, static_cast<WPARAM>(tools.command),
                      reinterpret_cast<LPARAM>(toolbar_));
       },
       tools.place},
      {"the search box, Shift+F10",
       [&] { SendMessageW(edit, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit), -1); }, box},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.name);
    MenuWatcher watcher;
    each.open();
    ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
    ASSERT_FALSE(watcher.Captions().empty());
    const RECT menu = watcher.Place();
    EXPECT_EQ(Mirrored() ? menu.right : menu.left,
              Mirrored() ? each.place.right : each.place.left)
        << "menu " << menu.left << "-" << menu.right << ", opened from " << each.place.left
        << "-" << each.place.right;
  }
}

// The banner is the publisher's picture, words and logo: shown as drawn,
// never mirrored, whichever way the browser's frame reads.
TEST_P(LayoutToolbarWindowTest, TheBannerPictureShowsTheRightWayRound) {
  // 105 x 22, red on its left half and blue on its right, bottom-up rows.
  constexpr int kWidth = 105, kHeight = 22, kRow = (kWidth * 3 + 3) / 4 * 4;
  std::string file(54 + kRow * kHeight, '\0');
  auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, kWidth);
  put32(22, kHeight);
  file[26] = 1, file[28] = 24;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const size_t at = 54 + static_cast<size_t>(y) * kRow + static_cast<size_t>(x) * 3;
      file[at] = x < kWidth / 2 ? 0 : static_cast<char>(0xFF);          // blue
      file[at + 2] = x < kWidth / 2 ? static_cast<char>(0xFF) : 0;      // red
    }
  std::ofstream(dir_.File("banner.bmp"), std::ios::binary) << file;
  ASSERT_TRUE(window_->LoadBannerPicture(dir_.File("banner.bmp")));
  const HWND picture = window_->BannerPictureControl();
  RedrawWindow(picture, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT place{};
  GetWindowRect(picture, &place);
  const int middle = (place.top + place.bottom) / 2;
  const int quarter = (place.right - place.left) / 4;
  // The display shows what was drawn once the window's drawing reaches it.
  ASSERT_TRUE(WaitFor([&] {
    const uint32_t seen = Screenshot(picture).Color({place.left + quarter, middle});
    return seen == 0xFF0000u || seen == 0x0000FFu;
  })) << "the picture does not show";
  const Screenshot shot(picture);
  EXPECT_EQ(shot.Color({place.left + quarter, middle}), 0xFF0000u) << "on the picture's left";
  EXPECT_EQ(shot.Color({place.right - 1 - quarter, middle}), 0x0000FFu) << "on the picture's right";
}

// Where accessibility tools are told the chevron is, it is drawn beside the
// toolbar control, and a click there opens its menu.
TEST_P(LayoutToolbarWindowTest, TheChevronIsWhereAccessibilityToolsAreToldItIs) {
  browser_->Expect({"Width"});
  browser_->width = 520;
  SetWindowPos(window_->Handle(), nullptr, 0, 0, 700, window_->IdealHeight(),
               SWP_NOZORDER | SWP_NOMOVE);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    Microsoft::WRL::ComPtr<IAccessible> client;
    ASSERT_EQ(AccessibleObjectFromWindow(window_->Handle(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(client.GetAddressOf())),
              S_OK);
    long count = 0;
    ASSERT_EQ(client->get_accChildCount(&count), S_OK);
    ASSERT_EQ(AccessibleName(*client.Get(), count), L"Chevron");
    long left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(client->accLocation(&left, &top, &width, &height, Child(count)), S_OK);
    RECT window{}, toolbar{};
    GetWindowRect(window_->Handle(), &window);
    GetWindowRect(window_->ToolbarControl(), &toolbar);
    // The room of the window that the toolbar control leaves.
    const RECT room = Mirrored() ? RECT{window.left, toolbar.top, toolbar.left, toolbar.bottom}
                                 : RECT{toolbar.right, toolbar.top, window.right, toolbar.bottom};
    EXPECT_EQ(left, room.left) << "toolbar " << toolbar.left << "-" << toolbar.right;
    EXPECT_EQ(left + width, room.right);
    MenuWatcher watcher;
    Click({left + width / 2, top + height / 2}, window_->Handle());
    ASSERT_TRUE(WaitFor([&] { return watcher.Done(); }));
    EXPECT_FALSE(watcher.Captions().empty());
  }
  CoUninitialize();
}

// A button's image as the image list holds it: its opaque pixels, the same
// drawn over black and over white, as 0xRRGGBB; -1 where it lets the
// background through.
std::vector<int64_t> OpaqueImage(HIMAGELIST images, int index, int size) {
  std::vector<int64_t> pixels(static_cast<size_t>(size) * size, -1);
  std::vector<uint32_t> over[2];
  for (int pass = 0; pass < 2; ++pass) {
    over[pass] = DrawnPixels(size, size, [&](HDC memory) {
      const RECT all{0, 0, size, size};
      FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(pass ? WHITE_BRUSH : BLACK_BRUSH)));
      ImageList_Draw(images, index, memory, 0, 0, ILD_NORMAL);
    });
  }
  for (size_t i = 0; i < pixels.size(); ++i)
    if ((over[0][i] & 0xFFFFFF) == (over[1][i] & 0xFFFFFF)) pixels[i] = over[0][i] & 0xFFFFFF;
  return pixels;
}

// The icons are the publisher's pictures, digits and letters among them:
// shown as drawn, never mirrored, whichever way the browser's frame reads.
TEST_P(LayoutToolbarWindowTest, TheButtonImagesShowTheRightWayRound) {
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  const auto shown = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar_, TB_GETIMAGELIST, 0, 0));
  int size = 0, height = 0;
  ASSERT_TRUE(ImageList_GetIconSize(shown, &size, &height));
  // The image as drawn, from the toolbar's pictures at the size shown: the
  // toolbar's own list may hold it turned over for a mirrored window.
  const win32::unique_himagelist images = win32::IconImageList(MulDiv(96, size, 16));
  const Button one = Find(toolbar_, "A");  // a red square with a "1"
  const std::vector<int64_t> image = OpaqueImage(images.get(), one.image, size);
  RedrawWindow(toolbar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  // Whether the image shows somewhere in its button, as held or mirrored.
  auto shows = [&](const Screenshot& shot, bool mirrored) {
    for (int top = one.place.top; top + size <= one.place.bottom; ++top)
      for (int left = one.place.left; left + size <= one.place.right; ++left) {
        bool all = true;
        for (int y = 0; y < size && all; ++y)
          for (int x = 0; x < size && all; ++x) {
            const int64_t want = image[static_cast<size_t>(y) * size + (mirrored ? size - 1 - x : x)];
            all = want < 0 || shot.Color({left + x, top + y}) == static_cast<uint32_t>(want);
          }
        if (all) return true;
      }
    return false;
  };
  ASSERT_TRUE(WaitFor([&] {
    const Screenshot shot(toolbar_);
    return shows(shot, false) || shows(shot, true);
  })) << "the image is not seen in its button";
  const Screenshot shot(toolbar_);
  EXPECT_TRUE(shows(shot, false));
  EXPECT_FALSE(shows(shot, true));
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutToolbarWindowTest,
                         ::testing::Values(DWORD{0}, DWORD{WS_EX_LAYOUTRTL}), LayoutName);

TEST(ShortCutText, NamesTheKeysAsMenusShowThem) {
  const std::pair<uint16_t, const char*> cases[] = {{16472, "Ctrl+X"},
                                                    {16451, "Ctrl+C"},
                                                    {16470, "Ctrl+V"},
                                                    {46, "Del"},
                                                    {0x2000 | VK_F5, "Shift+F5"},
                                                    {0, ""}};
  for (const auto& [code, text] : cases) EXPECT_EQ(win32::ShortCutText(code), text) << code;
}

}  // namespace
}  // namespace pq
