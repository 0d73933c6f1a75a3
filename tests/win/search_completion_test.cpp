// The search box's completion on the system's own combo box: history matches
// and a loopback suggestion service's answers in the drop-down list, read
// back with the control's wide messages; the keys that move through it; a
// service that never answers; a private session.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <imm.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/toolbar_config.h"
#include "fakes/fake_user_interface.h"
#include "support/loopback_http_server.h"
#include "support/message_pump.h"
#include "support/parent_window.h"
#include "support/scratch_key.h"
#include "support/win32_ports.h"
#include "toolbar/completion.h"
#include "ui_kit/mouse_input.h"
#include "win32/toolbar_window.h"
#include "win32/wide_text.h"
#include "win32/win32_background.h"
#include "win32/win32_browsing_mode.h"

namespace {
// What this program, as the browser, says of its session.
bool private_session = false;
}  // namespace

// The browser's question, answered by the host program: the frame library
// under Wine has no such function, so the toolbar comes to this one.
extern "C" __declspec(dllexport) BOOL WINAPI IEIsInPrivateBrowsing() {
  return private_session ? TRUE : FALSE;
}

namespace pq {
namespace {

using win32::ToolbarWindow;
using testing::LoopbackHttpServer;

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds = 10000) {
  return testing::PumpMessagesUntil(done, milliseconds);
}

class NavigationLog : public HostBrowser {
 public:
  std::vector<std::string> navigated;
  void Navigate(const std::string& url) override { navigated.push_back(url); }
  int32_t Width() override { return 1000; }
  void SetStatusText(const std::string&) override {}
  void ShowBrowserBar(const std::string&, bool, int32_t) override {}
};

HWND SharedParent() {
  static HWND parent = testing::MakeParentWindow(L"SearchCompletionTestParent", {1000, 120});
  return parent;
}

// The history file, UTF-8 after its mark.
constexpr char kHistory[] = "\xEF\xBB\xBF" "apple\r\napricot\r\nbanana\r\n\xC3\xA4pfel\r\n";

class SearchCompletionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_.File("Bar.ini"), std::ios::binary) << "[Options]\r\nToolbar Name=Bar\r\n";
    std::ofstream(dir_.File("Bar.txt"), std::ios::binary) << kHistory;
    HKEY key = key_.Open();
    const std::wstring install = win32::Wide(dir_.path());
    RegSetValueExW(key, L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(install.c_str()),
                   static_cast<DWORD>((install.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ToolbarConfig.InstallPath = dir_.path();
    ToolbarConfig.ToolbarFile = ToolbarConfig.ToolbarName = "Bar";
    ToolbarConfig.BandKeyPath = key_.path();
    ToolbarConfig.SearchUrl = "http://find.example/?q=[SEARCH]";
    ToolbarConfig.SuggestUrl = server_.BaseUrl() + "/suggest?q=[SEARCH]";
    platform_.ui = &ui_;
    platform_.background = &background_;
    platform_.browsing_mode = &browsing_mode_;
  }
  void TearDown() override {
    window_.reset();
    private_session = false;
    // The requests still under way use the ports: they end before the ports go.
    EXPECT_TRUE(WaitFor([] { return win32::Win32Background::Running() == 0; }, 15000));
    EXPECT_TRUE(ui_.shown.empty()) << ui_.shown.front().text;
    ClearToolbarConfig();
  }

  void Open() {
    window_ = std::make_unique<ToolbarWindow>(SharedParent(), platform_);
    window_->SetHostBrowser(browser_);
    edit_ = window_->SearchEditControl();
    combo_ = window_->SearchBoxControl();
    // The list closes, as it should, when the field loses the focus. The
    // user clicks into the field first: a click the display saw makes the
    // window the display's focus too, so that no late word of the display
    // takes the focus away while the test types.
    const POINT field = ui_kit::MiddleOf(edit_);
    ASSERT_TRUE(WaitFor([&] { return ui_kit::ClickWouldReach(edit_, field); }));
    ASSERT_TRUE(ui_kit::ClickAt(field));
    ASSERT_TRUE(WaitFor([&] {
      return GetForegroundWindow() == SharedParent() && GetFocus() == edit_;
    })) << ForegroundDescription();
  }
  static std::string ForegroundDescription() {
    HWND front = GetForegroundWindow();
    char name[128] = "";
    if (front) GetClassNameA(front, name, sizeof name);
    DWORD process = 0;
    if (front) GetWindowThreadProcessId(front, &process);
    return std::string("in front: ") + (front ? name : "nothing") + " of process " +
           std::to_string(process) + " (this one " + std::to_string(GetCurrentProcessId()) +
           "), focus " + std::to_string(reinterpret_cast<uintptr_t>(GetFocus()));
  }
  void Type(const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(edit_, WM_CHAR, c, 1);
  }
  void Key(WORD key) { SendMessageW(edit_, WM_KEYDOWN, key, 1); }
  std::string Text() const { return win32::Utf8(WindowTextW(edit_)); }
  static std::wstring WindowTextW(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
  }
  // The drop-down list's entries, read in UTF-16.
  std::vector<std::string> ListEntries() const {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring entry(static_cast<size_t>(SendMessageW(combo_, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
      SendMessageW(combo_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
      entry.resize(entry.size() - 1);
      entries.push_back(win32::Utf8(entry));
    }
    return entries;
  }
  bool ListOpen() const { return SendMessageW(combo_, CB_GETDROPPEDSTATE, 0, 0) != 0; }
  std::string HistoryFile() const {
    std::ifstream in(dir_.File("Bar.txt"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  size_t SuggestRequests() const {
    size_t count = 0;
    for (const std::string& request : server_.Requests())
      if (request.find("/suggest?") != std::string::npos) ++count;
    return count;
  }

  LoopbackHttpServer server_;
  testing::ScratchDir dir_;
  testing::ScratchKey key_;
  testing::Win32Ports ports_;
  Platform& platform_ = ports_.platform;
  fakes::FakeUserInterface ui_;
  win32::Win32Background background_;
  win32::Win32BrowsingMode browsing_mode_;
  std::shared_ptr<NavigationLog> browser_ = std::make_shared<NavigationLog>();
  std::unique_ptr<ToolbarWindow> window_;
  HWND edit_ = nullptr, combo_ = nullptr;
};

using Entries = std::vector<std::string>;

TEST_F(SearchCompletionTest, TypingShowsHistoryMatchesThenTheServicesSuggestions) {
  LoopbackHttpServer::Reply reply;
  reply.headers = "Content-Type: application/json\r\n";
  reply.body = "[\"ap\",[\"apple\",\"apps\",\"\\u00e4pp\"],[\"ignored\"]]";
  server_.SetReplyFor("/suggest?q=ap", reply);
  Open();
  Type(L"a");
  EXPECT_TRUE(ListOpen());
  // In either order: an earlier search in this process may lead.
  const Entries first = ListEntries();
  EXPECT_EQ(std::set<std::string>(first.begin(), first.end()),
            (std::set<std::string>{"apple", "apricot"}));
  Type(L"p");
  // The typed text stays as typed while the list is open: no entry takes its place.
  EXPECT_EQ(Text(), "ap");
  ASSERT_TRUE(WaitFor([&] { return ListEntries().size() == 4; }))
      << ::testing::PrintToString(ListEntries());
  ASSERT_TRUE(ListOpen()) << ForegroundDescription();
  EXPECT_EQ(ListEntries(), (Entries{"apple", "apricot", "apps", "\xC3\xA4pp"}));
  EXPECT_EQ(Text(), "ap");
  EXPECT_EQ(SuggestRequests(), 1u);  // for "ap" alone: "a" was typed on within the pause

  // Down twice, up once, down again: the second entry.
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_UP);
  Key(VK_DOWN);
  EXPECT_EQ(Text(), "apricot");
  EXPECT_EQ(SendMessageW(combo_, CB_GETCURSEL, 0, 0), 1);
  Type(L"\r");
  EXPECT_EQ(browser_->navigated, (Entries{"http://find.example/?q=apricot"}));
  EXPECT_FALSE(ListOpen());
  // The whole history is the list again.
  EXPECT_EQ(ListEntries(), (Entries{"apple", "apricot", "banana", "\xC3\xA4pfel"}));
  // The newest search leads the matches from now on.
  SetWindowTextW(combo_, L"");
  Type(L"a");
  const Entries again = ListEntries();
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ(Entries(again.begin(), again.begin() + 2), (Entries{"apricot", "apple"}));
}

TEST_F(SearchCompletionTest, EscapeClosesTheListAndKeepsTheTypedText) {
  ToolbarConfig.SuggestUrl.clear();
  Open();
  Type(L"\x00c4");  // Ä: the history's äpfel, compared without case
  EXPECT_EQ(ListEntries(), (Entries{"\xC3\xA4pfel"}));
  Key(VK_DOWN);
  EXPECT_EQ(Text(), "\xC3\xA4pfel");
  Key(VK_ESCAPE);
  EXPECT_FALSE(ListOpen());
  EXPECT_EQ(Text(), "\xC3\x84");
  EXPECT_EQ(ListEntries(), (Entries{"apple", "apricot", "banana", "\xC3\xA4pfel"}));
  // Typing on opens it again; deleting everything closes it.
  Type(L"p");
  EXPECT_TRUE(ListOpen());
  Type(L"\b\b");
  EXPECT_FALSE(ListOpen());
  EXPECT_EQ(SuggestRequests(), 0u);
}

// Chinese, Japanese and Korean are written through an input method, whose
// finished characters reach the field as WM_IME_CHAR rather than WM_CHAR:
// the history's matches show for them as for typed ones.
TEST_F(SearchCompletionTest, CharactersFromAnInputMethodShowTheHistorysMatches) {
  ToolbarConfig.SuggestUrl.clear();
  // 東京, 東京タワー, 大阪
  std::ofstream(dir_.File("Bar.txt"), std::ios::binary)
      << "\xEF\xBB\xBF\xE6\x9D\xB1\xE4\xBA\xAC\r\n"
         "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x82\xBF\xE3\x83\xAF\xE3\x83\xBC\r\n"
         "\xE5\xA4\xA7\xE9\x98\xAA\r\n";
  // The ways a finished character comes: typed; sent on by the input
  // method's window; the input method's composition completed in the field.
  enum class Route { Typed, ImeChar, CompositionResult };
  using ContextOf = HIMC(WINAPI*)(HWND);
  using SetString = BOOL(WINAPI*)(HIMC, DWORD, LPVOID, DWORD, LPVOID, DWORD);
  using Notify = BOOL(WINAPI*)(HIMC, DWORD, DWORD, DWORD);
  using Release = BOOL(WINAPI*)(HWND, HIMC);
  const HMODULE imm = LoadLibraryW(L"imm32.dll");
  ASSERT_NE(imm, nullptr);
  const auto context_of = reinterpret_cast<ContextOf>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetContext")));
  const auto set_string =
      reinterpret_cast<SetString>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmSetCompositionStringW")));
  const auto notify = reinterpret_cast<Notify>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmNotifyIME")));
  const auto release = reinterpret_cast<Release>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmReleaseContext")));
  ASSERT_TRUE(context_of && set_string && notify && release);
  Open();
  for (const Route route : {Route::Typed, Route::ImeChar, Route::CompositionResult}) {
    SCOPED_TRACE(route == Route::Typed     ? "typed"
                 : route == Route::ImeChar ? "WM_IME_CHAR"
                                           : "composition result");
    SetWindowTextW(combo_, L"");
    if (route == Route::Typed) {
      Type(L"\x6771");  // 東
    } else if (route == Route::ImeChar) {
      SendMessageW(edit_, WM_IME_CHAR, L'\x6771', 1);
    } else {
      const HIMC context = context_of(edit_);
      ASSERT_NE(context, nullptr);
      wchar_t text[] = L"\x6771";
      EXPECT_TRUE(set_string(context, SCS_SETSTR, text, sizeof text - sizeof(wchar_t), nullptr, 0));
      EXPECT_TRUE(notify(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
      release(edit_, context);
    }
    // An input method's characters may come posted.
    ASSERT_TRUE(WaitFor([&] { return Text() == "\xE6\x9D\xB1"; })) << "the field shows " << Text();
    EXPECT_TRUE(ListOpen());
    const Entries shown = ListEntries();
    EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()),
              (std::set<std::string>{"\xE6\x9D\xB1\xE4\xBA\xAC",
                                     "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x82\xBF\xE3\x83\xAF\xE3\x83\xBC"}));
    Key(VK_ESCAPE);
  }
}

TEST_F(SearchCompletionTest, TheListOpenedByTheUserShowsTheWholeHistory) {
  ToolbarConfig.SuggestUrl.clear();
  Open();
  Type(L"b");
  ASSERT_EQ(ListEntries(), (Entries{"banana"}));
  // The box closes its list itself (its arrow clicked, the focus gone) and
  // the user opens it again: the whole history, the typed text kept.
  SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(ListEntries(), (Entries{"apple", "apricot", "banana", "\xC3\xA4pfel"}));
  SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(ListOpen());
  EXPECT_EQ(ListEntries(), (Entries{"apple", "apricot", "banana", "\xC3\xA4pfel"}));
  SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(SearchCompletionTest, TheKeysMoveThroughTheWholeListTheUserOpened) {
  ToolbarConfig.SuggestUrl.clear();
  Open();
  SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(ListOpen());
  const struct {
    WORD key;
    const char* text;
  } steps[] = {{VK_DOWN, "apple"}, {VK_DOWN, "apricot"}, {VK_NEXT, "\xC3\xA4pfel"},
               {VK_UP, "banana"}, {VK_PRIOR, "apple"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.text);
    Key(step.key);
    EXPECT_EQ(Text(), step.text);
    EXPECT_TRUE(ListOpen());
    EXPECT_EQ(ListEntries(), (Entries{"apple", "apricot", "banana", "\xC3\xA4pfel"}));
  }
  SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(SearchCompletionTest, ALongHistoryOpensSixteenEntriesTall) {
  ToolbarConfig.SuggestUrl.clear();
  {
    std::ofstream history(dir_.File("Bar.txt"), std::ios::binary);
    for (int i = 10; i < 50; ++i) history << "search " << i << "\r\n";
  }
  Open();
  SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(ListOpen());
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo_, &info));
  RECT list{};
  GetClientRect(info.hwndList, &list);
  const LRESULT entry = SendMessageW(combo_, CB_GETITEMHEIGHT, 0, 0);
  ASSERT_GT(entry, 0);
  EXPECT_EQ(list.bottom, 16 * entry);
  SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(SearchCompletionTest, AServiceThatNeverAnswersLeavesTypingSmooth) {
  LoopbackHttpServer::Reply silent;
  silent.behaviour = LoopbackHttpServer::Behaviour::NeverAnswer;
  server_.SetReply(silent);
  Open();
  Type(L"ap");
  ASSERT_TRUE(WaitFor([&] { return SuggestRequests() == 1; }));
  // While the request hangs the window answers at once, and typing goes on.
  for (int i = 0; i < 20; ++i) {
    DWORD_PTR result = 0;
    const DWORD start = GetTickCount();
    ASSERT_NE(SendMessageTimeoutW(window_->Handle(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result),
              0);
    EXPECT_LT(GetTickCount() - start, 500u);
    WaitFor([] { return false; }, 20);
  }
  Type(L"r");
  EXPECT_EQ(Text(), "apr");
  EXPECT_EQ(ListEntries(), (Entries{"apricot"}));
  // The window closes while the request still hangs.
  window_.reset();
}

TEST_F(SearchCompletionTest, APrivateWindowRecordsNoHistoryAndAsksNoService) {
  private_session = true;
  EXPECT_TRUE(browsing_mode_.IsPrivate());
  Open();
  Type(L"b");
  EXPECT_EQ(ListEntries(), (Entries{"banana"}));
  Type(L"\b");
  Type(L"apple pie");
  WaitFor([] { return false; }, 400);  // past the pause in which a request would go
  Type(L"\r");
  EXPECT_EQ(browser_->navigated, (Entries{"http://find.example/?q=apple+pie"}));
  window_.reset();
  EXPECT_EQ(HistoryFile(), kHistory);
  EXPECT_EQ(SuggestRequests(), 0u);
  HKEY key = key_.Open();
  EXPECT_NE(RegQueryValueExW(key, L"Search", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(SearchCompletionTest, AnOrdinaryWindowRecordsTheSearch) {
  EXPECT_FALSE(browsing_mode_.IsPrivate());
  ToolbarConfig.SuggestUrl.clear();
  Open();
  Type(L"cherry\r");
  window_.reset();
  EXPECT_NE(HistoryFile().find("cherry"), std::string::npos);
}


// A reply that comes once the user has turned away from the box: the focus
// went into the page, or the window was hidden as the browser does when
// another tab shows. No history entry starts with the text, so no list was
// open to close and tell of it.
TEST_F(SearchCompletionTest, ALateReplyOpensNoListWhereTheUserNoLongerTypes) {
  const struct {
    const char* what;
    std::function<void(HWND toolbar)> turn_away;
  } cases[] = {
      {"the focus went into the page", [](HWND) { SetFocus(SharedParent()); }},
      {"the window was hidden", [](HWND toolbar) { ShowWindow(toolbar, SW_HIDE); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::promise<void> answer;
    LoopbackHttpServer::Reply reply;
    reply.body = R"(["zq",["zqa","zqb"]])";
    reply.held_until = answer.get_future().share();
    server_.SetReplyFor("/suggest?q=zq", reply);
    const size_t before = SuggestRequests();
    Open();
    Type(L"zq");
    ASSERT_FALSE(ListOpen());
    ASSERT_TRUE(WaitFor([&] { return SuggestRequests() == before + 1; }));
    c.turn_away(window_->Handle());
    answer.set_value();
    // The reply is posted before its thread ends: one more round of the
    // pump handles it.
    ASSERT_TRUE(WaitFor([] { return win32::Win32Background::Running() == 0; }));
    WaitFor([] { return true; });
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo_, &info));
    EXPECT_FALSE(ListOpen());
    EXPECT_FALSE(IsWindowVisible(info.hwndList));
    SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
    window_.reset();
  }
}

// An entry clicked with the mouse is the text searched for: in the list of
// completions a suggestion as well as a history entry, as in the whole
// history that the user opened himself.
TEST_F(SearchCompletionTest, AnEntryClickedInTheListIsSearchedFor) {
  LoopbackHttpServer::Reply reply;
  reply.body = R"(["ap",["apps","apex"]])";
  server_.SetReplyFor("/suggest?q=ap", reply);
  const struct {
    bool completions;  // else the whole history, opened by the user
    const char* text;
  } cases[] = {{true, "apricot"}, {true, "apps"}, {false, "banana"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    browser_->navigated.clear();
    Open();
    // The window comes with the last case's search in its field.
    SetWindowTextW(edit_, L"");
    if (c.completions) {
      Type(L"ap");
      ASSERT_TRUE(WaitFor([&] { return ListEntries().size() == 4; }))
          << ::testing::PrintToString(ListEntries());
    } else {
      SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
    }
    ASSERT_TRUE(ListOpen());
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo_, &info));
    // Each case's search joins the history: the entries are found by their text.
    const std::wstring wide = win32::Wide(c.text);
    const LRESULT index =
        SendMessageW(combo_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_NE(index, CB_ERR);
    RECT entry{};
    ASSERT_NE(SendMessageW(info.hwndList, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&entry)),
              LB_ERR);
    POINT at{(entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2};
    ClientToScreen(info.hwndList, &at);
    ASSERT_TRUE(WaitFor([&] { return ui_kit::ClickWouldReach(info.hwndList, at); }));
    ASSERT_TRUE(ui_kit::ClickAt(at));
    ASSERT_TRUE(WaitFor([&] { return !ListOpen(); }));
    WaitFor([] { return true; });
    EXPECT_EQ(Text(), c.text);
    Type(L"\r");
    EXPECT_EQ(browser_->navigated, (Entries{std::string("http://find.example/?q=") + c.text}));
    window_.reset();
  }
}

// The time limit holds for the body: a server that sends a few bytes now and
// then, each within the wait for the next, is left once the limit has passed.
TEST_F(SearchCompletionTest, AServiceThatTricklesItsAnswerIsLeftAtTheTimeLimit) {
  const struct {
    const char* what;
    LoopbackHttpServer::Behaviour behaviour;
  } cases[] = {
      {"a body without end, a few bytes at a time", LoopbackHttpServer::Behaviour::EndlessTrickle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackHttpServer::Reply slow;
    slow.behaviour = c.behaviour;
    slow.slow_bytes = 12;
    slow.body = R"(["ap",["apps"]])";
    server_.SetReply(slow);
    const auto start = std::chrono::steady_clock::now();
    const auto answer = FetchSuggestions(ports_.internet, server_.BaseUrl() + "/suggest?q=ap");
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    EXPECT_FALSE(answer.has_value());
    // Twice the limit: room for the last wait that began before it ran out.
    EXPECT_LT(took, 2 * static_cast<long long>(kSuggestionTimeoutMs));
  }
}

}  // namespace
}  // namespace pq
