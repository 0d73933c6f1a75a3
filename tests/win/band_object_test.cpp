// The band object as the browser drives it: interfaces, site, window, band
// information, context menu, focus and keystrokes.
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleacc.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <atomic>
#include <span>
#include <string>
#include <vector>

#include "platform/user_interface.h"
#include "support/band_dll.h"
#include "support/counting_unknown.h"
#include "support/dialog_answerer.h"
#include "support/message_box_watcher.h"
#include "support/recording_browser.h"
#include "support/shown_band.h"
#include "support/test_site.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"
#include "win32/com_support.h"
#include "win32/modules.h"

namespace pq::testing {
namespace {

using ui_kit::ClickAt;
using ui_kit::ClickWouldReach;
using ui_kit::MiddleOf;
using ui_kit::PressKey;
using ui_kit::SearchFieldOf;
using ui_kit::TextOf;
using ui_kit::WaitUntil;

using Microsoft::WRL::ComPtr;

// How the band reports a focus change: true as -1.
constexpr BOOL kGained = -1;
constexpr BOOL kLost = 0;

class BandObject : public ::testing::Test {
 protected:
  BandObject() : site(SiteWindow()) {
    ForgetWindowState();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
  }
  ~BandObject() override {
    band.Reset();
    CoUninitialize();
    ForgetWindowState();
  }

  // What a closed toolbar window leaves for the next one: no test starts
  // from another's search text.
  static void ForgetWindowState() {
    const std::string key =
        "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);
    for (const char* value : {"Search", "Search Type", "Date"})
      RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), value);
  }

  template <typename Interface>
  ComPtr<Interface> As() {
    ComPtr<Interface> result;
    EXPECT_EQ(band.As(&result), S_OK);
    return result;
  }

  HWND ShowBand() {
    EXPECT_EQ(As<IObjectWithSite>()->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
    return ShowSitedBand(band.Get());
  }

  // Lets the band add its commands to a menu, as the host does before invoking one.
  void AskForMenu() {
    HMENU popup = CreatePopupMenu();
    As<IContextMenu>()->QueryContextMenu(popup, 0, 1, 100, CMF_NORMAL);
    DestroyMenu(popup);
  }
  HRESULT Invoke(LPCSTR verb) {
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.lpVerb = verb;
    return As<IContextMenu>()->InvokeCommand(&invoke);
  }

  BandDll dll;
  TestSite site;
  ComPtr<IDeskBand> band;
};

// --- identity ---

TEST_F(BandObject, AnswersExactlyItsInterfacesWithOneIdentity) {
  for (const IID& iid : {IID_IDeskBand, IID_IInputObject, IID_IContextMenu, IID_IObjectWithSite,
                         IID_IPersistStreamInit, IID_IPersist, IID_ISupportErrorInfo}) {
    ComPtr<IUnknown> answer;
    EXPECT_EQ(band->QueryInterface(iid, &answer), S_OK);
  }
  for (const IID& iid : {IID_IOleWindow, IID_IDockingWindow, IID_IPersistStream, IID_IDispatch,
                         IID_IDeskBand2, IID_IOleCommandTarget}) {
    void* answer = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(band->QueryInterface(iid, &answer), E_NOINTERFACE);
    EXPECT_EQ(answer, nullptr);
  }
  ComPtr<IUnknown> from_band, from_menu;
  ASSERT_EQ(band.As(&from_band), S_OK);
  ASSERT_EQ(As<IContextMenu>().As(&from_menu), S_OK);
  EXPECT_EQ(from_band.Get(), from_menu.Get());
  // IPersist is the IPersistStreamInit table.
  ComPtr<IPersist> persist = As<IPersist>();
  EXPECT_EQ(static_cast<void*>(persist.Get()), static_cast<void*>(As<IPersistStreamInit>().Get()));
  CLSID id{};
  EXPECT_EQ(persist->GetClassID(&id), S_OK);
  EXPECT_TRUE(IsEqualCLSID(id, BandClsid()));
  // Error information for its own interfaces only.
  ComPtr<ISupportErrorInfo> errors = As<ISupportErrorInfo>();
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IDeskBand), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IContextMenu), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

// --- persistence: nothing is kept ---

TEST_F(BandObject, PersistenceLoadsAndSavesNothing) {
  ComPtr<IPersistStreamInit> persist = As<IPersistStreamInit>();
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  STATSTG stat{};
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 0u) << "Save wrote to the stream";
  EXPECT_EQ(persist->Load(stream.Get()), S_OK);
  ULARGE_INTEGER size{};
  EXPECT_EQ(persist->GetSizeMax(&size), E_NOTIMPL);
  EXPECT_EQ(persist->InitNew(), E_NOTIMPL);
}

// --- band information ---

TEST_F(BandObject, BandInfoDropsTitleAndBackgroundAndFillsTheRest) {
  DESKBANDINFO info{};
  info.dwMask = 0x7F;
  wcscpy(info.wszTitle, L"untouched");
  info.crBkgnd = RGB(1, 2, 3);
  ASSERT_EQ(band->GetBandInfo(7, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  EXPECT_EQ(info.dwMask, 0x2Fu);
  EXPECT_EQ(info.ptMinSize.x, GetSystemMetrics(SM_CXSCREEN) - 20);
  EXPECT_EQ(info.ptMinSize.y, 25);
  EXPECT_EQ(info.ptMaxSize.x, -1);
  EXPECT_EQ(info.ptMaxSize.y, 25);
  EXPECT_EQ(info.ptIntegral.x, 1);
  EXPECT_EQ(info.ptIntegral.y, 1);
  EXPECT_EQ(info.ptActual.x, -1);
  EXPECT_EQ(info.ptActual.y, 25);
  EXPECT_EQ(info.dwModeFlags, static_cast<DWORD>(DBIMF_DEBOSSED));
  EXPECT_STREQ(info.wszTitle, L"untouched");
  EXPECT_EQ(info.crBkgnd, RGB(1, 2, 3));
}

// --- context menu ---

std::vector<std::pair<UINT, std::string>> MenuItems(HMENU menu) {
  std::vector<std::pair<UINT, std::string>> items;
  for (int index = 0; index < GetMenuItemCount(menu); ++index) {
    char text[128] = {};
    GetMenuStringA(menu, index, text, sizeof text, MF_BYPOSITION);
    items.emplace_back(GetMenuItemID(menu, index), text);
  }
  return items;
}

TEST_F(BandObject, ContextMenuGetsFourCommandsWithEmptyStringsAtTheGivenPosition) {
  ComPtr<IContextMenu> menu = As<IContextMenu>();
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, 1, "Host first");
  AppendMenuA(popup, MF_STRING, 2, "Host last");
  EXPECT_EQ(menu->QueryContextMenu(popup, 1, 100, 103, CMF_NORMAL), 4);
  using Items = std::vector<std::pair<UINT, std::string>>;
  EXPECT_EQ(MenuItems(popup), (Items{{1, "Host first"},
                                     {100, "Update Bandinfo"},
                                     {101, "About Toolbar..."},
                                     {102, "Toolbar Website"},
                                     {103, "Toolbar Support"},
                                     {2, "Host last"}}));
  // Asked again, it inserts again.
  EXPECT_EQ(menu->QueryContextMenu(popup, 0, 200, 203, CMF_NORMAL), 4);
  EXPECT_EQ(GetMenuItemCount(popup), 10);
  DestroyMenu(popup);
  // Their command strings are empty.
  char text[16] = "garbage";
  EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, text, sizeof text), S_OK);
  EXPECT_STREQ(text, "");
  wchar_t wide[16] = L"garbage";
  EXPECT_EQ(menu->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), 16),
            S_OK);
  EXPECT_STREQ(wide, L"");
}

TEST_F(BandObject, UpdateBandinfoAsksTheSiteToAskAgainAndNothingElseIsACommand) {
  ASSERT_EQ(As<IObjectWithSite>()->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
  // Refused before the menu was asked for.
  for (int offset = 0; offset < 4; ++offset)
    EXPECT_EQ(Invoke(MAKEINTRESOURCEA(offset)), E_FAIL) << offset;
  EXPECT_TRUE(site.exec_calls.empty());
  // Band information with no mask writes nothing but keeps the band's identifier.
  DESKBANDINFO info;
  memset(&info, 0xAB, sizeof info);
  info.dwMask = 0;
  const DESKBANDINFO before = info;
  ASSERT_EQ(band->GetBandInfo(3, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  EXPECT_EQ(memcmp(&info, &before, sizeof info), 0);
  AskForMenu();

  EXPECT_EQ(Invoke(MAKEINTRESOURCEA(0)), S_OK);
  ASSERT_EQ(site.exec_calls.size(), 1u);
  EXPECT_TRUE(IsEqualGUID(site.exec_calls[0].group, CGID_DeskBand));
  EXPECT_EQ(site.exec_calls[0].command, static_cast<DWORD>(DBID_BANDINFOCHANGED));
  EXPECT_EQ(site.exec_calls[0].option, 0u);
  EXPECT_EQ(site.exec_calls[0].in_type, VT_I4);
  EXPECT_EQ(site.exec_calls[0].in_value, 3);
  EXPECT_TRUE(site.out_was_empty);

  // Past the four commands, and a verb given as text whatever its address: on
  // x86_64 a text's address may have zero in bits 16 to 31 and still lie above
  // the 16-bit range of command offsets.
  std::vector<LPCSTR> verbs = {MAKEINTRESOURCEA(4), "properties"};
  if (sizeof(void*) == 8) {
    const unsigned long long above_16_bits[] = {0x100000000ull, 0x100000002ull, 0x7FFF00000001ull};
    for (unsigned long long address : above_16_bits)
      verbs.push_back(reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(address)));
  }
  for (LPCSTR verb : verbs) EXPECT_EQ(Invoke(verb), E_FAIL) << static_cast<const void*>(verb);
  EXPECT_EQ(site.exec_calls.size(), 1u) << "a text verb was taken for a command";
}

// --- site ---

TEST_F(BandObject, SiteIsKeptAskedForTheBrowserAndReleasedWithTheBand) {
  ComPtr<IObjectWithSite> with_site = As<IObjectWithSite>();
  ComPtr<IOleWindow> answer;
  EXPECT_EQ(with_site->GetSite(IID_PPV_ARGS(&answer)), E_FAIL);
  EXPECT_EQ(answer, nullptr);

  ASSERT_EQ(with_site->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
  ASSERT_EQ(site.service_queries.size(), 1u);
  EXPECT_TRUE(IsEqualGUID(site.service_queries[0].first, SID_SWebBrowserApp));
  EXPECT_TRUE(IsEqualIID(site.service_queries[0].second, IID_IWebBrowser2));

  ASSERT_EQ(with_site->GetSite(IID_PPV_ARGS(&answer)), S_OK);
  EXPECT_EQ(answer.Get(), static_cast<IOleWindow*>(&site));
  answer.Reset();

  // A null site changes nothing.
  EXPECT_EQ(with_site->SetSite(nullptr), S_OK);
  ComPtr<IInputObjectSite> input_site;
  EXPECT_EQ(with_site->GetSite(IID_PPV_ARGS(&input_site)), S_OK);
  EXPECT_EQ(input_site.Get(), static_cast<IInputObjectSite*>(&site));
  // Releasing the band releases the site.
  input_site.Reset();
  with_site.Reset();
  EXPECT_GT(site.references(), 1u);
  band.Reset();
  EXPECT_EQ(site.references(), 1u);
}

TEST_F(BandObject, ASiteWithoutItsInterfacesIsNoError) {
  testing::CountingUnknown bare;  // a site that offers nothing but IUnknown
  ASSERT_EQ(As<IObjectWithSite>()->SetSite(&bare), S_OK);
  HWND window = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(band->GetWindow(&window), E_FAIL) << "there is no parent window";
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(band->ShowDW(TRUE), S_OK);
  band.Reset();
  EXPECT_EQ(bare.references, 1u);
}

// --- window ---

TEST_F(BandObject, WindowIsAChildOfTheSiteWindowAndStaysTheSame) {
  HWND window = ShowBand();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(GetParent(window), SiteWindow());
  EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(window));
  HWND again = nullptr;
  EXPECT_EQ(band->GetWindow(&again), S_OK);
  EXPECT_EQ(again, window);
  EXPECT_EQ(band->ContextSensitiveHelp(TRUE), E_NOTIMPL);
  RECT border{};
  EXPECT_EQ(band->ResizeBorderDW(&border, nullptr, FALSE), E_NOTIMPL);
  // Asked for again, the window is not hooked a second time: each parent
  // notification reports the focus once.
  site.focus_changes.clear();
  SendMessageA(window, WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 0), MAKELPARAM(5, 5));
  ASSERT_EQ(site.focus_changes.size(), 1u);
  EXPECT_EQ(site.focus_changes[0].gained, kGained);
  EXPECT_EQ(As<IInputObject>()->HasFocusIO(), S_OK);
}

// The window waits hidden for the host to place it and show the band, as a
// desk band's does; a host that showed the band first gets it shown.
TEST_F(BandObject, TheWindowShowsWhenTheHostShowsTheBand) {
  const struct {
    const char* order;
    bool shown_first;
  } orders[] = {{"window, then shown", false}, {"shown, then window", true}};
  for (const auto& [order, shown_first] : orders) {
    SCOPED_TRACE(order);
    ASSERT_EQ(As<IObjectWithSite>()->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
    if (shown_first) {
      ASSERT_EQ(band->ShowDW(TRUE), S_OK);
    }
    HWND window = nullptr;
    ASSERT_EQ(band->GetWindow(&window), S_OK);
    EXPECT_EQ(IsWindowVisible(window) != FALSE, shown_first);
    MoveWindow(window, 0, 0, 600, 25, TRUE);
    ASSERT_EQ(band->ShowDW(TRUE), S_OK);
    EXPECT_TRUE(IsWindowVisible(window));
    // The dock spans the width the host gave the window: the toolbar from
    // its left edge to its chevron, if it has one, at the right end.
    RECT toolbar{};
    GetWindowRect(FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr), &toolbar);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&toolbar), 2);
    EXPECT_EQ(toolbar.left, 0);
    EXPECT_GE(toolbar.right, 600 - 14);
    EXPECT_LE(toolbar.right, 600);
    ASSERT_EQ(band->CloseDW(0), S_OK);
  }
}

TEST_F(BandObject, CloseDestroysTheWindowAndAFreshOneFollows) {
  HWND first = ShowBand();
  EXPECT_EQ(band->CloseDW(0), S_OK);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(band->CloseDW(0), S_OK);
  HWND second = nullptr;
  ASSERT_EQ(band->GetWindow(&second), S_OK);
  EXPECT_TRUE(IsWindow(second));
  EXPECT_EQ(GetParent(second), SiteWindow());
}

TEST_F(BandObject, ReleasingTheBandWithoutCloseTakesTheWindowWithIt) {
  HWND window = ShowBand();
  band.Reset();
  EXPECT_FALSE(IsWindow(window));
  // Messages to where the window was reach nobody, and nothing crashes.
  SendMessageA(SiteWindow(), WM_PARENTNOTIFY, WM_LBUTTONDOWN, 0);
}

// A screen reader may keep the window's accessible view after the band is
// gone: the code behind it stays loaded until the reader lets it go.
TEST_F(BandObject, AnAccessibleViewHeldPastTheBandKeepsTheModuleLoaded) {
  HWND window = ShowBand();
  ComPtr<IAccessible> view;
  ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible,
                                       reinterpret_cast<void**>(view.GetAddressOf())),
            S_OK);
  band.Reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
  long children = -1;
  view->get_accChildCount(&children);  // answered by a view whose window is gone
  view.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

// --- focus and keystrokes ---

TEST_F(BandObject, AClickInTheWindowTellsTheSiteThatTheBandHasTheFocus) {
  HWND window = ShowBand();
  ASSERT_EQ(band->ShowDW(FALSE), S_OK);
  ASSERT_EQ(As<IInputObject>()->HasFocusIO(), S_FALSE);
  site.focus_changes.clear();
  HWND edit = SearchFieldOf(window);
  ASSERT_NE(edit, nullptr);
  const POINT field = MiddleOf(edit);
  ASSERT_TRUE(WaitUntil(
      [&] {
        PumpMessages();
        return ClickWouldReach(edit, field);
      },
      5000))
      << "the field is not where a click would reach it";
  ASSERT_TRUE(ClickAt(field));
  ASSERT_TRUE(WaitUntil(
      [&] {
        PumpMessages();
        return !site.focus_changes.empty();
      },
      5000))
      << "the click didn't reach the band";
  POINT at{};
  GetCursorPos(&at);
  EXPECT_EQ(at.x, field.x) << "the click landed beside the point";
  EXPECT_EQ(at.y, field.y) << "the click landed beside the point";
  EXPECT_EQ(site.focus_changes.back().gained, kGained);
  ComPtr<IUnknown> identity;
  band.As(&identity);
  EXPECT_EQ(site.focus_changes.back().object, identity.Get());
  EXPECT_EQ(As<IInputObject>()->HasFocusIO(), S_OK);
}

TEST_F(BandObject, ShowAndActivationMoveTheFocusOnlyIntoAShownWindow) {
  ComPtr<IInputObject> input = As<IInputObject>();
  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK) << "no window yet";
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  HWND window = ShowBand();
  ASSERT_FALSE(site.focus_changes.empty());
  EXPECT_EQ(site.focus_changes.back().gained, kGained);
  EXPECT_EQ(input->HasFocusIO(), S_OK);

  EXPECT_EQ(band->ShowDW(FALSE), S_OK);
  EXPECT_EQ(site.focus_changes.back().gained, kLost);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  EXPECT_TRUE(IsWindowVisible(window)) << "ShowDW doesn't hide the window";

  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_OK);
  EXPECT_EQ(GetFocus(), SearchFieldOf(window)) << "the window hands the focus to its field";
  EXPECT_EQ(input->UIActivateIO(FALSE, nullptr), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);

  SetFocus(SiteWindow());  // hiding leaves the focus where it was
  ShowWindow(window, SW_HIDE);
  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  EXPECT_NE(GetFocus(), SearchFieldOf(window));
  ShowWindow(window, SW_SHOW);
  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_OK);
}

// Keys reach the search field as the host routes them, and the field does
// with them what a user expects of an edit field.
TEST_F(BandObject, TabIsLeftToTheHostAndOtherKeysEditTheSearchFieldAndEnterSearches) {
  site.browser.Attach(new RecordingBrowser);
  // The band sizes itself to the browser's width, and Enter searches there.
  site.browser->Expect({"get_Width", "Navigate"});
  HWND window = ShowBand();
  ComPtr<IInputObject> input = As<IInputObject>();
  ASSERT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  HWND edit = SearchFieldOf(window);
  // Tab is left to the host.
  for (UINT message : {WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN}) {
    MSG tab{edit, message, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(input->TranslateAcceleratorIO(&tab), S_FALSE) << message;
  }
  auto key = [&](UINT message, WPARAM code) {
    MSG msg{edit, message, code, 1, 0, {0, 0}};
    EXPECT_EQ(input->TranslateAcceleratorIO(&msg), S_OK) << message << " " << code;
    PumpMessages();
  };
  auto text = [&] { return TextOf(edit); };
  for (char c : std::string("hello world")) key(WM_CHAR, static_cast<WPARAM>(c));
  EXPECT_EQ(text(), "hello world");
  key(WM_KEYDOWN, VK_HOME);
  for (int i = 0; i < 6; ++i) key(WM_KEYDOWN, VK_DELETE);
  EXPECT_EQ(text(), "world");
  key(WM_KEYDOWN, VK_END);
  key(WM_CHAR, VK_BACK);
  key(WM_KEYDOWN, VK_LEFT);
  key(WM_CHAR, 'X');
  EXPECT_EQ(text(), "worXl");
  SendMessageA(edit, EM_SETSEL, 0, -1);
  key(WM_CHAR, 0x03);  // Ctrl+C
  key(WM_KEYDOWN, VK_END);
  key(WM_CHAR, 0x16);  // Ctrl+V
  EXPECT_EQ(text(), "worXlworXl");
  SendMessageA(edit, EM_SETSEL, 0, 3);
  key(WM_CHAR, 0x18);  // Ctrl+X
  EXPECT_EQ(text(), "XlworXl");
  key(WM_CHAR, '\r');
  ASSERT_EQ(site.browser->navigations.size(), 1u);
  EXPECT_EQ(site.browser->navigations[0].url, L"http://www.search.example.net/search?q=XlworXl");
  EXPECT_EQ(text(), "XlworXl") << "Enter leaves the text as it is";
  // Without an installation the history lives beside the program.
  const std::string program = win32::ModuleFileName(nullptr);
  DeleteFileA((program.substr(0, program.rfind('\\') + 1) + "\\.txt").c_str());
}

// The browser's own shortcuts, pressed while the search field has the focus:
// the field has no use for them, and a key the band answers S_OK for is one
// the browser does not act on. F6 is how a keyboard user leaves the band for
// the address bar and the page.
TEST_F(BandObject, BrowserShortcutsPressedInTheSearchFieldAreLeftToTheBrowser) {
  HWND window = ShowBand();
  ComPtr<IInputObject> input = As<IInputObject>();
  ASSERT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  HWND edit = SearchFieldOf(window);
  ASSERT_EQ(GetFocus(), edit);
  const struct {
    const char* what;
    UINT message;
    WPARAM key;
    LPARAM flags;
  } shortcuts[] = {
      {"F6, the next pane", WM_KEYDOWN, VK_F6, 1},
      {"F5, reload", WM_KEYDOWN, VK_F5, 1},
      {"F11, full screen", WM_KEYDOWN, VK_F11, 1},
      {"the keyboard's Back key", WM_KEYDOWN, VK_BROWSER_BACK, 1},
      {"Alt+Left, back", WM_SYSKEYDOWN, VK_LEFT, 1 | (KF_ALTDOWN << 16)},
      {"Alt+Home, the home page", WM_SYSKEYDOWN, VK_HOME, 1 | (KF_ALTDOWN << 16)},
  };
  for (const auto& shortcut : shortcuts) {
    MSG msg{edit, shortcut.message, shortcut.key, shortcut.flags, 0, {0, 0}};
    EXPECT_EQ(input->TranslateAcceleratorIO(&msg), S_FALSE) << shortcut.what;
    PumpMessages();
  }
}

// Once the band said that it has the focus, the browser offers it each
// keystroke first. A keystroke for another window, the page's, is not the
// band's to deliver or to claim: the browser must still act on its own
// shortcuts (Backspace goes back, F5 reloads) and deliver the rest itself.
TEST_F(BandObject, KeysForThePageAreLeftToTheBrowser) {
  enum class Focus { PageWhileTheBandIsShown, PageClickedAfterTheBand };
  const struct {
    const char* how;
    Focus focus;
  } ways[] = {
      {"the band shown while the page has the focus", Focus::PageWhileTheBandIsShown},
      {"the page clicked after the band had the focus", Focus::PageClickedAfterTheBand},
  };
  const struct {
    const char* what;
    UINT message;
    WPARAM key;
  } keys[] = {
      {"Backspace, back", WM_KEYDOWN, VK_BACK},
      {"F5, reload", WM_KEYDOWN, VK_F5},
      {"a typed letter", WM_CHAR, 'a'},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    // The page: a field of the browser's window below the band.
    HWND page = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 40, 200, 20,
                                SiteWindow(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(page, nullptr);
    SetFocus(page);
    HWND window = ShowBand();
    ComPtr<IInputObject> input = As<IInputObject>();
    if (way.focus == Focus::PageClickedAfterTheBand) {
      ASSERT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
      ASSERT_EQ(GetFocus(), SearchFieldOf(window));
      SetFocus(page);  // as a click in the page moves it
    }
    ASSERT_EQ(GetFocus(), page);
    // A band that says it has not the focus is not offered the keys at all.
    const bool offered = input->HasFocusIO() == S_OK;
    for (const auto& key : offered ? std::span(keys) : std::span(keys).first(0)) {
      MSG msg{page, key.message, key.key, 1, 0, {0, 0}};
      EXPECT_EQ(input->TranslateAcceleratorIO(&msg), S_FALSE) << key.what;
      PumpMessages();
    }
    EXPECT_EQ(TextOf(page), "") << "the band delivered the page's keys itself";
    DestroyWindow(page);
    ASSERT_EQ(band->CloseDW(0), S_OK);
  }
}

// The browser's loop: the queue read in the wide form, each keystroke offered
// to the focused band first, the rest translated and dispatched wide.
void RunUnicodeBrowserLoop(IInputObject& band) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST &&
        band.TranslateAcceleratorIO(&msg) == S_OK)
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// UTF-16 units as code points, so that a failure shows what went missing.
std::string Units(const std::wstring& text) {
  std::string units;
  char unit[8];
  for (wchar_t c : text) {
    snprintf(unit, sizeof unit, "%04X ", static_cast<unsigned>(c));
    units += unit;
  }
  return units;
}

// In the browser a typed character reaches the band as one UTF-16 unit: from
// a key-down that the band's own translation turns into a character (how
// input methods and on-screen keyboards type), or as a character message
// already. Outside ASCII and outside the system code page alike, it shows in
// the field as typed.
TEST_F(BandObject, CharactersFromAUnicodeBrowserLoopShowInTheFieldAsTyped) {
  HWND window = ShowBand();
  ComPtr<IInputObject> input = As<IInputObject>();
  ASSERT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  HWND edit = SearchFieldOf(window);
  ASSERT_NE(edit, nullptr);
  enum class Arrives { AsKeyDown, AsCharacter };
  const struct {
    Arrives arrives;
    std::wstring text;
  } cases[] = {
      {Arrives::AsCharacter, L"\x0436 \x00E9 \x20AC \x4E2D a"},  // zhe, e acute, euro, zhong
      {Arrives::AsKeyDown, L"\x0436 \x00E9 \x20AC \x4E2D a"},
      {Arrives::AsCharacter, L"\xD834\xDD1E\x00DF\x03A9"},  // G clef (two units), sharp s, omega
  };
  for (const auto& each : cases) {
    SetWindowTextW(edit, L"");
    for (wchar_t unit : each.text) {
      if (each.arrives == Arrives::AsKeyDown) {
        PostMessageW(edit, WM_KEYDOWN, VK_PACKET, MAKELPARAM(1, unit));
        PostMessageW(edit, WM_KEYUP, VK_PACKET, MAKELPARAM(1, unit));
      } else {
        PostMessageW(edit, WM_CHAR, unit, 1);
      }
    }
    RunUnicodeBrowserLoop(*input.Get());
    std::wstring shown(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    shown.resize(
        static_cast<size_t>(GetWindowTextW(edit, shown.data(), static_cast<int>(shown.size()))));
    EXPECT_EQ(Units(shown), Units(each.text))
        << (each.arrives == Arrives::AsKeyDown ? "typed as key-downs" : "typed as characters");
  }
}

// The entries of the search field's drop-down list, as UTF-16.
std::vector<std::wstring> HistoryListOf(HWND band_window) {
  std::vector<std::wstring> entries;
  HWND combo = ui_kit::DescendantOfClass(band_window, "ComboBox");
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring entry(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    entry.resize(static_cast<size_t>(
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()))));
    entries.push_back(entry);
  }
  return entries;
}

// Typed in several scripts through the browser's Unicode loop, a search
// reaches the browser as UTF-8 in the address, as search engines read it, and
// the next window offers it from the history as typed.
TEST_F(BandObject, ASearchInAnyScriptReachesTheBrowserAsUtf8AndStaysInTheHistory) {
  // Without an installation the history lives beside the program.
  const std::string program = win32::ModuleFileName(nullptr);
  const std::string history = program.substr(0, program.rfind('\\') + 1) + "\\.txt";
  DeleteFileA(history.c_str());
  site.browser.Attach(new RecordingBrowser);
  site.browser->Expect({"get_Width", "Navigate"});
  HWND window = ShowBand();
  ComPtr<IInputObject> input = As<IInputObject>();
  ASSERT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  HWND edit = SearchFieldOf(window);
  const std::wstring typed = L"\x0436 \x00E9 \x20AC \x4E2D";  // zhe, e acute, euro, zhong
  for (wchar_t unit : typed + L"\r") PostMessageW(edit, WM_CHAR, unit, 1);
  RunUnicodeBrowserLoop(*input.Get());
  ASSERT_EQ(site.browser->navigations.size(), 1u);
  EXPECT_EQ(site.browser->navigations[0].url,
            L"http://www.search.example.net/search?q=%D0%B6+%C3%A9+%E2%82%AC+%E4%B8%AD");

  TestSite other_site(SiteWindow());
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IDeskBand> other;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&other)), S_OK);
  ComPtr<IObjectWithSite> sited;
  ASSERT_EQ(other.As(&sited), S_OK);
  ASSERT_EQ(sited->SetSite(static_cast<IOleWindow*>(&other_site)), S_OK);
  HWND other_window = ShowSitedBand(other.Get());
  std::vector<std::string> listed;
  for (const std::wstring& entry : HistoryListOf(other_window)) listed.push_back(Units(entry));
  EXPECT_EQ(listed, std::vector<std::string>{Units(typed)});
  other->CloseDW(0);
  sited->SetSite(nullptr);
  DeleteFileA(history.c_str());
}

TEST_F(BandObject, ItsMenuShowsTheAboutBoxAndOpensTheWebsiteAndSupport) {
  site.browser.Attach(new RecordingBrowser);
  site.browser->Expect({"get_Width", "Navigate"});
  ShowBand();
  AskForMenu();
  std::string caption;
  DialogAnswerer answerer("About ", [&](HWND box) {
    caption = TextOf(box);
    PressKey(box, VK_ESCAPE);
  });
  EXPECT_EQ(Invoke(MAKEINTRESOURCEA(1)), S_OK);
  ASSERT_TRUE(answerer.Finish()) << "no About box";
  EXPECT_TRUE(answerer.Closed());
  EXPECT_EQ(Invoke(MAKEINTRESOURCEA(2)), S_OK);
  EXPECT_EQ(Invoke(MAKEINTRESOURCEA(3)), S_OK);
  ASSERT_EQ(site.browser->navigations.size(), 2u);
  EXPECT_EQ(site.browser->navigations[0].url, L"http://www.pendleworth.example.com/");
  EXPECT_EQ(site.browser->navigations[1].url, L"mailto:support@pendleworth.example.com");
  // A browser that refuses: the user is told, the host only hears of a failure.
  site.browser->result = E_ACCESSDENIED;
  std::vector<SeenBox> told;
  {
    MessageBoxWatcher watcher;
    EXPECT_EQ(Invoke(MAKEINTRESOURCEA(2)), E_FAIL);
    told = watcher.Seen();
  }
  ASSERT_EQ(told.size(), 1u) << "no error box";
  EXPECT_EQ(told[0].caption, "Error");
  EXPECT_EQ(told[0].text, ErrorBoxText(win32::MessageForHResult(E_ACCESSDENIED)));
}

}  // namespace
}  // namespace pq::testing
