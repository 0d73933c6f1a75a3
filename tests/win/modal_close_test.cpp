// The band closed by the browser while one of the toolbar's menus or dialogs
// is open. A modal loop runs the browser's messages, and the browser closes
// and releases the band whenever it likes: the menu or dialog must close with
// the toolbar window, the command that opened it must end there, and the
// module must stay loaded until its code is off the stack.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlwapi.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "config/toolbar_config.h"
#include "support/band_dll.h"
#include "support/message_pump.h"
#include "support/recording_browser.h"
#include "support/scratch_key.h"
#include "support/shown_band.h"
#include "support/test_site.h"
#include "support/win32_ports.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"
#include "win32/toolbar_window.h"

namespace pq::testing {
namespace {

using ui_kit::ClassOf;
using ui_kit::ClickAt;
using ui_kit::DescendantOfClass;
using ui_kit::MiddleOf;
using ui_kit::SearchFieldOf;
using ui_kit::WaitForTopLevelWindow;
using ui_kit::WaitForWindowCaptioned;
using ui_kit::WaitUntil;

constexpr char kMenuClass[] = "#32768";
constexpr char kDialogClass[] = "#32770";
// The file name field of the file dialogs.
constexpr int kFileNameField = 0x47C;
// How long a user, or the system, is given for each step.
constexpr DWORD kStepMilliseconds = 10000;

constexpr char kToolbarName[] = "Modal Bar";
constexpr char kConfiguration[] =
    "[Options]\r\nToolbar Name=Modal Bar\r\nHome Page URL=http://home.example/\r\n"
    "[Toolbar Items]\r\nmiSearch=\r\nHome=\r\nPapersSubMenu=\r\nWorld=\r\nSpeedBtn1=\r\n"
    "[miSearch]\r\nParent=Toolbar\r\nCaption=Search\r\nImageIndex=8\r\n"
    "[Home]\r\nParent=Toolbar\r\nCaption=Home\r\nImageIndex=1\r\nURL=http://home.example/\r\n"
    "[PapersSubMenu]\r\nParent=Toolbar\r\nCaption=Papers\r\nImageIndex=0\r\n"
    "URL=http://papers.example/\r\n"
    "[World]\r\nParent=PapersSubMenu\r\nCaption=World\r\nURL=http://papers.example/world\r\n"
    "[SpeedBtn1]\r\nParent=Toolbar\r\nCaption=Mine\r\nImageIndex=1\r\nTag=111\r\n"
    "URL=http://speed.example/\r\n";
constexpr char kHistory[] = "first\r\nsecond\r\n";
constexpr char kChosen[] = "chosen\r\n";

std::string Contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "<none>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// --- the user's side

bool RightClickAt(POINT at) { return ClickAt(at, ui_kit::Button::Right); }

// A button of the toolbar control, on the screen.
RECT ButtonPlace(HWND toolbar, const std::string& caption) {
  const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageA(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    char text[64] = {};
    SendMessageA(toolbar, TB_GETBUTTONTEXTA, button.idCommand, reinterpret_cast<LPARAM>(text));
    if (caption != text) continue;
    RECT place{};
    SendMessageA(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  return {};
}

HWND VisibleMenu() {
  HWND menu = FindWindowA(kMenuClass, nullptr);
  return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// Clicks the entry of an open popup menu whose caption starts so.
bool ChooseFromMenu(HWND menu_window, const std::string& caption) {
  const auto menu = reinterpret_cast<HMENU>(SendMessageA(menu_window, MN_GETHMENU, 0, 0));
  for (int position = 0; position < GetMenuItemCount(menu); ++position) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    RECT entry{};
    if (std::string(text).rfind(caption, 0) == 0 &&
        GetMenuItemRect(menu_window, menu, static_cast<UINT>(position), &entry))
      return ClickAt({(entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2});
  }
  return false;
}

void Press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

HWND VisibleDialog() {
  return WaitForTopLevelWindow([](HWND window) { return ClassOf(window) == kDialogClass; }, 0);
}

// What is still shown when a test has failed: pressed away, so that the
// next one starts clean.
void DismissEverything() {
  for (int round = 0; round < 20; ++round) {
    HWND menu = VisibleMenu(), dialog = VisibleDialog();
    if (!menu && !dialog) return;
    if (menu) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (dialog)
      Press(dialog, GetDlgItem(dialog, IDCANCEL) ? IDCANCEL
                    : GetDlgItem(dialog, IDNO)   ? IDNO
                                                 : IDOK);
    WaitUntil([] { return !VisibleMenu() && !VisibleDialog(); }, 500);
  }
}

// --- the browser's side: closing the band from inside the modal loop

// A window of the test's thread that runs what another thread asks for, the
// way the browser's own messages reach it while a modal loop of the
// toolbar's runs.
class ThreadErrand {
 public:
  ThreadErrand() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = &ThreadErrand::Proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "ModalCloseErrand";
    RegisterClassA(&window_class);
    window_ = CreateWindowExA(0, window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, window_class.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~ThreadErrand() { DestroyWindow(window_); }
  ThreadErrand(const ThreadErrand&) = delete;
  ThreadErrand& operator=(const ThreadErrand&) = delete;

  void Set(std::function<void()> errand) { errand_ = std::move(errand); }
  // From another thread: runs the errand on the test's thread; true once it ran.
  bool RunFromAnotherThread() {
    done_ = false;
    PostMessageA(window_, WM_APP, 0, 0);
    return WaitUntil([&] { return done_.load(); }, kStepMilliseconds);
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<ThreadErrand*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message != WM_APP || !self) return DefWindowProcA(window, message, wparam, lparam);
    if (self->errand_) self->errand_();
    self->done_ = true;
    return 0;
  }

  HWND window_ = nullptr;
  std::function<void()> errand_;
  std::atomic<bool> done_{false};
};

// How a user who goes on answers what is still open after the band closed.
enum class Answer {
  ChooseWebsite,
  ChooseWorld,
  ChooseRefresh,
  Yes,
  Ok,
  Close,
  SaveNew,
  OpenChosen,
  Type
};

struct SeenWhileOpen {
  bool found = false;             // the menu or dialog opened
  HWND owner = nullptr;           // the dialog's owner
  bool closed = false;            // the errand ran
  bool went_with_window = false;  // it closed when the band did
};

// On a thread of its own: waits for the path's menu or dialog, asks the
// test's thread to close the band, and looks whether it went too.
class CloseWhileOpen {
 public:
  CloseWhileOpen(const char* menu_entry, const char* dialog, Answer answer, ThreadErrand& close,
                 std::string scratch)
      : thread_([=, this, &close] {
          Watch(menu_entry, dialog, answer, close, scratch);
          done_ = true;
        }) {}
  ~CloseWhileOpen() { thread_.join(); }
  CloseWhileOpen(const CloseWhileOpen&) = delete;
  CloseWhileOpen& operator=(const CloseWhileOpen&) = delete;

  bool Done() const { return done_; }
  // Read once Done.
  const SeenWhileOpen& Seen() const { return seen_; }

 private:
  void Watch(const char* menu_entry, const char* dialog, Answer answer, ThreadErrand& close,
             const std::string& scratch) {
    if (menu_entry) {
      HWND menu = nullptr;
      if (!WaitUntil([&] { return (menu = VisibleMenu()) != nullptr; }, kStepMilliseconds) ||
          !ChooseFromMenu(menu, menu_entry))
        return DismissEverything();
      WaitUntil([] { return !VisibleMenu(); }, kStepMilliseconds);
    }
    HWND open = nullptr;
    if (dialog) {
      open = WaitForWindowCaptioned(dialog, kStepMilliseconds);
    } else {
      WaitUntil([&] { return (open = VisibleMenu()) != nullptr; }, kStepMilliseconds);
    }
    if (!open) return DismissEverything();
    seen_.found = true;
    seen_.owner = GetWindow(open, GW_OWNER);
    seen_.closed = close.RunFromAnotherThread();
    const auto gone = [open] { return !IsWindow(open) || !IsWindowVisible(open); };
    seen_.went_with_window = WaitUntil(gone, kStepMilliseconds);
    if (seen_.went_with_window) return;
    AnswerAsUserGoingOn(open, answer, scratch);
    WaitUntil(gone, kStepMilliseconds);
    DismissEverything();
  }

  static void AnswerAsUserGoingOn(HWND open, Answer answer, const std::string& scratch) {
    switch (answer) {
      case Answer::ChooseWebsite:
        ChooseFromMenu(open, "Toolbar Website");
        return;
      case Answer::ChooseWorld:
        ChooseFromMenu(open, "World");
        return;
      case Answer::ChooseRefresh:
        ChooseFromMenu(open, "Refresh Searches");
        return;
      case Answer::Yes:
        return Press(open, IDYES);
      case Answer::Ok:
        return Press(open, IDOK);
      case Answer::Close:
        return Press(open, IDCANCEL);
      case Answer::SaveNew:
        SetDlgItemTextA(open, kFileNameField, (scratch + "\\Saved.txt").c_str());
        return Press(open, IDOK);
      case Answer::OpenChosen:
        SetDlgItemTextA(open, kFileNameField, (scratch + "\\Chosen.txt").c_str());
        return Press(open, IDOK);
      case Answer::Type:
        SetWindowTextA(FindWindowExA(open, nullptr, "Edit", nullptr), "http://typed.example/");
        return Press(open, IDOK);
    }
  }

  SeenWhileOpen seen_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// A hosting browser that records what it is asked and may refuse to navigate.
class HostingBrowser : public RecordingBrowser {
 public:
  bool refuse_navigation = false;
  HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* frame, VARIANT* post,
                                     VARIANT* headers) override {
    RecordingBrowser::Navigate(url, flags, frame, post, headers);
    return refuse_navigation ? E_ACCESSDENIED : S_OK;
  }
};

// --- the band, as the browser shows it

const std::string kBandKey =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);

// An installation of its own, the band's module, and a band shown in the
// site's window.
class BandWithDialogs {
 protected:
  BandWithDialogs() {
    WriteInstallation(kConfiguration);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey.c_str());
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"InstallPath", dir.path()},
          {"Toolbar Name", kToolbarName},
          {"Toolbar File", "Modal"}})
      SHSetValueA(HKEY_LOCAL_MACHINE, kBandKey.c_str(), name, REG_SZ, value.c_str(),
                  static_cast<DWORD>(value.size() + 1));
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    dll = std::make_unique<BandDll>();
    browser = new HostingBrowser;
    site.browser.Attach(browser);
  }
  ~BandWithDialogs() {
    band.Reset();
    dll.reset();
    CoUninitialize();
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey.c_str());
  }

  void WriteInstallation(const char* configuration) const {
    std::ofstream(dir.File("Modal.ini"), std::ios::binary) << configuration;
    std::ofstream(dir.File(std::string(kToolbarName) + ".txt"), std::ios::binary) << kHistory;
    std::ofstream(dir.File("Chosen.txt"), std::ios::binary) << kChosen;
  }
  std::string History() const { return Contents(dir.File(std::string(kToolbarName) + ".txt")); }

  // A new band, sited; its window is made by the first GetWindow.
  void CreateBand() {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll->GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
    ComPtr<IObjectWithSite> with_site;
    ASSERT_EQ(band.As(&with_site), S_OK);
    ASSERT_EQ(with_site->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
  }
  HWND ShowBand() {
    CreateBand();
    return ShowSitedBand(band.Get());
  }

  ScratchDir dir;
  std::unique_ptr<BandDll> dll;
  TestSite site{SiteWindow()};
  HostingBrowser* browser = nullptr;  // the site's
  ComPtr<IDeskBand> band;
};

// How the user opens the menu in which, or behind which, the toolbar waits.
enum class Opening { RightClickToolbar, RightClickSearchBox, DropDownArrow, ClickRefusedHome, Chevron };

struct ModalPath {
  const char* name;
  Opening opening;
  const char* menu_entry;  // chosen in the menu that opens first; null: that menu is the path's
  const char* dialog;      // the dialog's caption; null: the menu itself
  Answer answer;           // if it stays open after the band closed
};

void PrintTo(const ModalPath& path, std::ostream* out) { *out << path.name; }

class BandClosedWhileOpen : public BandWithDialogs, public ::testing::TestWithParam<ModalPath> {};

TEST_P(BandClosedWhileOpen, TakesTheMenuOrDialogAlongAndTheCommandEndsThere) {
  const ModalPath& path = GetParam();
  // The band sizes itself to the browser, and the entry under the mouse shows
  // its address in the status bar; only the refused Home is sent to be opened.
  browser->Expect({"get_Width", "put_StatusText"});
  if (path.opening == Opening::ClickRefusedHome) browser->Expect({"Navigate"});
  // A browser window too narrow for the buttons: they wait behind the chevron.
  if (path.opening == Opening::Chevron) browser->width = 400;
  HWND window = ShowBand();
  ASSERT_TRUE(IsWindow(window));
  browser->refuse_navigation = path.opening == Opening::ClickRefusedHome;
  HWND toolbar = DescendantOfClass(window, TOOLBARCLASSNAMEA);
  ASSERT_NE(toolbar, nullptr);
  POINT at{};
  switch (path.opening) {
    case Opening::RightClickToolbar: {
      // Right of the last button, where the toolbar shows nothing.
      const RECT last = ButtonPlace(toolbar, "Mine");
      at = {last.right + 20, (last.top + last.bottom) / 2};
      break;
    }
    case Opening::RightClickSearchBox:
      at = MiddleOf(SearchFieldOf(window));
      break;
    case Opening::DropDownArrow: {
      const RECT papers = ButtonPlace(toolbar, "Papers");
      at = {papers.right - 3, (papers.top + papers.bottom) / 2};
      break;
    }
    case Opening::ClickRefusedHome:
      at = MiddleOf(toolbar);
      at.x = ButtonPlace(toolbar, "Home").left + 8;
      break;
    case Opening::Chevron: {
      // In the room at the window's right end, beside the toolbar.
      RECT area{}, row{};
      GetWindowRect(window, &area);
      GetWindowRect(toolbar, &row);
      ASSERT_LT(row.right, area.right) << "no room for a chevron";
      at = {(row.right + area.right) / 2, (row.top + row.bottom) / 2};
      break;
    }
  }
  ASSERT_TRUE(PumpMessagesUntil(
      [&] {
        HWND there = WindowFromPoint(at);
        return there == window || IsChild(window, there);
      },
      kStepMilliseconds))
      << "the toolbar is not where the click goes";

  ThreadErrand close;
  HRESULT unload_while_open = E_UNEXPECTED;
  close.Set([&] {
    // As the browser closes a band: its window first, then its last reference.
    band->CloseDW(0);
    band.Reset();
    unload_while_open = dll->CanUnloadNow();
  });
  const std::string history = History();
  {
    CloseWhileOpen watcher(path.menu_entry, path.dialog, path.answer, close, dir.path());
    if (path.opening == Opening::RightClickToolbar || path.opening == Opening::RightClickSearchBox)
      ASSERT_TRUE(RightClickAt(at));
    else
      ASSERT_TRUE(ClickAt(at));
    ASSERT_TRUE(PumpMessagesUntil([&] { return watcher.Done(); }, 6 * kStepMilliseconds));
    const SeenWhileOpen& seen = watcher.Seen();
    ASSERT_TRUE(seen.found) << "the menu or dialog did not open";
    ASSERT_TRUE(seen.closed) << "the band was not closed";
    EXPECT_TRUE(seen.went_with_window) << "it stayed open after the band closed";
    // A dialog is owned by the browser's window that holds the toolbar.
    if (path.dialog) {
      EXPECT_EQ(seen.owner, SiteWindow());
    }
  }
  PumpMessages();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(unload_while_open, S_FALSE) << "the module's code was still running";
  EXPECT_EQ(dll->CanUnloadNow(), S_OK);
  // Nothing of what the command would have done once its dialog returned.
  const bool refused_home = path.opening == Opening::ClickRefusedHome;
  EXPECT_EQ(browser->navigations.size(), refused_home ? 1u : 0u);
  EXPECT_EQ(History(), history);
  EXPECT_EQ(Contents(dir.File("Saved.txt")), "<none>");
  EXPECT_EQ(Contents(dir.File("Chosen.txt")), kChosen);
  // The module goes on serving bands.
  browser->refuse_navigation = false;
  window = ShowBand();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(band->CloseDW(0), S_OK);
  band.Reset();
  EXPECT_EQ(dll->CanUnloadNow(), S_OK);
}

const ModalPath kModalPaths[] = {
    {"TheWindowMenu", Opening::RightClickToolbar, nullptr, nullptr, Answer::ChooseWebsite},
    {"ADropDownMenu", Opening::DropDownArrow, nullptr, nullptr, Answer::ChooseWorld},
    {"TheChevronMenu", Opening::Chevron, nullptr, nullptr, Answer::ChooseWebsite},
    {"TheSearchBoxMenu", Opening::RightClickSearchBox, nullptr, nullptr, Answer::ChooseRefresh},
    {"AConfirmation", Opening::RightClickSearchBox, "Clear Search Box History", "Confirm",
     Answer::Yes},
    {"AMessageBox", Opening::RightClickSearchBox, "Remove Selected From List", kToolbarName,
     Answer::Ok},
    {"AnErrorBox", Opening::ClickRefusedHome, nullptr, kToolbarName, Answer::Ok},
    {"TheSaveDialog", Opening::RightClickSearchBox, "Save Searches To File",
     "Save Searches To File", Answer::SaveNew},
    {"TheOpenDialog", Opening::RightClickSearchBox, "Load Searches From File",
     "Load Searches From File", Answer::OpenChosen},
    {"TheAboutBox", Opening::RightClickToolbar, "About Toolbar...", "About Modal Bar",
     Answer::Close},
};

INSTANTIATE_TEST_SUITE_P(Paths, BandClosedWhileOpen, ::testing::ValuesIn(kModalPaths),
                         [](const auto& info) { return std::string(info.param.name); });

// A box shown while the toolbar is built, before the browser's window is
// active, still belongs to that window: in front of it, not behind.
class BandStartingUp : public BandWithDialogs, public ::testing::Test {};

TEST_F(BandStartingUp, ShowsItsErrorBoxOverTheBrowsersWindowWhenNoWindowIsActive) {
  WriteInstallation("[Options]\r\nToolbar Name=Modal Bar\r\n[Toolbar Items]\r\n1st=\r\n");
  CreateBand();
  SetActiveWindow(nullptr);
  ASSERT_EQ(GetActiveWindow(), nullptr);
  HWND owner = nullptr;
  std::atomic<bool> answered{false};
  std::thread watcher([&] {
    if (HWND box = WaitForWindowCaptioned(kToolbarName, kStepMilliseconds)) {
      owner = GetWindow(box, GW_OWNER);
      Press(box, IDOK);
    }
    DismissEverything();
    answered = true;
  });
  HWND window = nullptr;
  EXPECT_EQ(band->GetWindow(&window), S_OK);
  PumpMessagesUntil([&] { return answered.load(); }, 2 * kStepMilliseconds);
  watcher.join();
  EXPECT_EQ(owner, SiteWindow());
  EXPECT_EQ(band->CloseDW(0), S_OK);
  SetForegroundWindow(SiteWindow());
}

// The browser closes and releases the band while the error box of its
// window's start-up is open: the window goes with the band.
TEST_F(BandStartingUp, ReleasedWhileItsErrorBoxIsOpenTakesItsWindowAlong) {
  WriteInstallation("[Options]\r\nToolbar Name=Modal Bar\r\n[Toolbar Items]\r\n1st=\r\n");
  CreateBand();
  IDeskBand* const raw = band.Get();
  ThreadErrand close;
  close.Set([&] {
    raw->CloseDW(0);
    band.Reset();
  });
  std::atomic<bool> answered{false};
  std::thread watcher([&] {
    if (HWND box = WaitForWindowCaptioned(kToolbarName, kStepMilliseconds)) {
      close.RunFromAnotherThread();
      Press(box, IDOK);
    }
    answered = true;
  });
  HWND window = nullptr;
  raw->GetWindow(&window);
  PumpMessagesUntil([&] { return answered.load(); }, 2 * kStepMilliseconds);
  watcher.join();
  PumpMessages();
  EXPECT_EQ(site.references(), 1u) << "the band is gone";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(dll->CanUnloadNow(), S_OK);
}

// Closed, the band has no focus, and shown again without a window it claims none.
TEST_F(BandStartingUp, ClosedHoldsNoFocus) {
  browser->Expect({"get_Width", "put_StatusText"});
  ShowBand();
  ComPtr<IInputObject> input;
  ASSERT_EQ(band.As(&input), S_OK);
  ASSERT_EQ(input->HasFocusIO(), S_OK);
  site.focus_changes.clear();
  ASSERT_EQ(band->CloseDW(0), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  ASSERT_FALSE(site.focus_changes.empty());
  EXPECT_EQ(site.focus_changes.back().gained, FALSE);
}

// --- the input box, which only the hidden speed-button entries open: the
// toolbar window of the test's own, closed as the band closes it.

class ToolbarClosedWhileOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_.File("Modal.ini"), std::ios::binary) << kConfiguration;
    HKEY key = key_.Open();
    RegSetValueExA(key, "InstallPath", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(dir_.path().c_str()),
                   static_cast<DWORD>(dir_.path().size() + 1));
    RegCloseKey(key);
    ToolbarConfig.InstallPath = dir_.path();
    ToolbarConfig.ToolbarFile = "Modal";
    ToolbarConfig.ToolbarName = kToolbarName;
    ToolbarConfig.BandKeyPath = key_.path();
    ToolbarConfig.SearchUrl = kDefaultSearchUrl;
    ToolbarConfig.DefaultSpeedCount = 1;
  }
  void TearDown() override { ClearToolbarConfig(); }

  std::string Stored(const char* name) const {
    char value[256] = "<none>";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, key_.path().c_str(), name, RRF_RT_REG_SZ, nullptr, value,
                 &size);
    return value;
  }

  ScratchDir dir_;
  ScratchKey key_;
  Win32Ports ports_;
  Platform& platform_ = ports_.platform;
};

TEST_F(ToolbarClosedWhileOpen, TakesTheInputBoxAlongAndTheSpeedButtonKeepsItsAddress) {
  auto window = std::make_unique<win32::ToolbarWindow>(SiteWindow(), platform_);
  // The entry that edits the speed button, shown for once.
  window->Form().miSpeedBtn[0]->Visible = true;
  MoveWindow(window->Handle(), 0, 0, 600, window->IdealHeight(), TRUE);
  RECT area{};
  GetWindowRect(window->ToolbarControl(), &area);
  const POINT at{area.right - 20, (area.top + area.bottom) / 2};
  ASSERT_TRUE(PumpMessagesUntil([&] { return IsChild(window->Handle(), WindowFromPoint(at)); },
                                kStepMilliseconds));
  const std::string stored = Stored("SpeedBtn1");

  ThreadErrand close;
  long in_use_while_open = -1;
  close.Set([&] {
    window.reset();
    in_use_while_open = win32::ToolbarWindow::WindowCount();
  });
  {
    CloseWhileOpen watcher("Speed Button 1 URL", "SpeedButton URL", Answer::Type, close,
                           dir_.path());
    ASSERT_TRUE(RightClickAt(at));
    ASSERT_TRUE(PumpMessagesUntil([&] { return watcher.Done(); }, 6 * kStepMilliseconds));
    const SeenWhileOpen& seen = watcher.Seen();
    ASSERT_TRUE(seen.found) << "the input box did not open";
    ASSERT_TRUE(seen.closed);
    EXPECT_TRUE(seen.went_with_window) << "it stayed open after the window closed";
    EXPECT_EQ(seen.owner, SiteWindow());
  }
  PumpMessages();
  EXPECT_GT(in_use_while_open, 0) << "nothing kept the module while its code ran";
  EXPECT_EQ(win32::ToolbarWindow::WindowCount(), 0);
  EXPECT_EQ(Stored("SpeedBtn1"), stored);
}

}  // namespace
}  // namespace pq::testing
