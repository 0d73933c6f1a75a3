// Navigation against the real thing: the hosting browser adapter against a
// recording IWebBrowser2, and the separate browser against Wine's own
// "InternetExplorer.Application" server.
#include "nav/navigation.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "support/message_pump.h"
#include "support/recording_browser.h"
#include "support/recording_scheme.h"
#include "win32/com_support.h"
#include "win32/win32_desktop.h"
#include "win32/win32_host_browser.h"

namespace pq {
namespace {

using Microsoft::WRL::ComPtr;
using testing::RecordingBrowser;
using testing::RecordingScheme;
using win32::Win32Desktop;
using win32::Win32HostBrowser;

std::string SystemText(HRESULT hr) {
  char* buffer = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = buffer ? buffer : "";
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

class HostBrowserAdapter : public ::testing::Test {
 protected:
  HostBrowserAdapter() : recorder(new RecordingBrowser) {
    // The adapter's reference becomes the only one.
    host = std::make_shared<Win32HostBrowser>(ComPtr<IWebBrowser2>(recorder));
    recorder->Release();
  }
  RecordingBrowser* recorder;
  HostBrowserRef host;
};

TEST_F(HostBrowserAdapter, NavigatePassesTheAddressAndOneZeroVariantForEveryOption) {
  ASSERT_EQ(GetACP(), 1252u);
  recorder->Expect({"Navigate"});
  host->Navigate("http://example.com/caf\xC3\xA9?q=a b");
  ASSERT_EQ(recorder->navigations.size(), 1u);
  const auto& call = recorder->navigations[0];
  EXPECT_EQ(call.url, L"http://example.com/caf\u00e9?q=a b");
  EXPECT_EQ(call.url_length, call.url.size());
  EXPECT_TRUE(call.one_variant_for_all);
  EXPECT_EQ(call.type, VT_I4);
  EXPECT_EQ(call.value, 0);
}

TEST_F(HostBrowserAdapter, LongAddressesAndEmptyTextPassWhole) {
  const std::string long_url = "http://example.com/?q=" + std::string(70000, 'x');
  recorder->Expect({"Navigate", "put_StatusText"});
  host->Navigate(long_url);
  host->SetStatusText("");
  ASSERT_EQ(recorder->navigations.size(), 1u);
  EXPECT_EQ(recorder->navigations[0].url.size(), long_url.size());
  ASSERT_EQ(recorder->status_texts.size(), 1u);
  EXPECT_EQ(recorder->status_texts[0], L"");
}

TEST_F(HostBrowserAdapter, WidthAndStatusTextReachTheBrowser) {
  recorder->width = 1234;
  recorder->Expect({"get_Width", "put_StatusText"});
  EXPECT_EQ(host->Width(), 1234);
  host->SetStatusText("Search the web");
  ASSERT_EQ(recorder->status_texts.size(), 1u);
  EXPECT_EQ(recorder->status_texts[0], L"Search the web");
}

TEST_F(HostBrowserAdapter, ShowBrowserBarPassesIdentifierShowAndSizeAsTypedVariants) {
  recorder->Expect({"ShowBrowserBar"});
  host->ShowBrowserBar("{239C3CF1-51CD-435E-8519-61775A6780CF}", false, 0);
  host->ShowBrowserBar("{239C3CF1-51CD-435E-8519-61775A6780CF}", true, 25);
  ASSERT_EQ(recorder->bar_calls.size(), 2u);
  const auto& hide = recorder->bar_calls[0];
  EXPECT_EQ(hide.id_type, VT_BSTR);
  EXPECT_EQ(hide.id, L"{239C3CF1-51CD-435E-8519-61775A6780CF}");
  EXPECT_EQ(hide.show_type, VT_BOOL);
  EXPECT_EQ(hide.show, VARIANT_FALSE);
  EXPECT_EQ(hide.size_type, VT_I4);
  EXPECT_EQ(hide.size, 0);
  EXPECT_EQ(recorder->bar_calls[1].show, VARIANT_TRUE);
  EXPECT_EQ(recorder->bar_calls[1].size, 25);
}

TEST_F(HostBrowserAdapter, FailureCodesAreRaisedWithTheSystemsText) {
  recorder->result = E_ACCESSDENIED;
  recorder->Expect({"Navigate", "get_Width", "put_StatusText", "ShowBrowserBar"});
  const std::string expected = SystemText(E_ACCESSDENIED);
  ASSERT_FALSE(expected.empty());
  for (const std::function<void()>& call : std::vector<std::function<void()>>{
           [&] { host->Navigate("http://example.com/"); }, [&] { (void)host->Width(); },
           [&] { host->SetStatusText("x"); }, [&] { host->ShowBrowserBar("{x}", false, 0); }}) {
    try {
      call();
      ADD_FAILURE() << "no error raised";
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
}

TEST_F(HostBrowserAdapter, TheLastCopyReleasesTheBrowser) {
  recorder->AddRef();  // keep it alive to look at
  HostBrowserRef copy = host;
  host.reset();
  EXPECT_EQ(recorder->references(), 2u);
  copy.reset();
  EXPECT_EQ(recorder->references(), 1u);
  recorder->Release();
}

// ---------------------------------------------------------------------------
// The separate browser: Wine's iexplore, started as a local server.

std::vector<HWND> FrameWindows() {
  std::vector<HWND> frames;
  for (HWND w = FindWindowExA(nullptr, nullptr, "IEFrame", nullptr); w;
       w = FindWindowExA(nullptr, w, "IEFrame", nullptr))
    frames.push_back(w);
  return frames;
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// Frame windows of browsers in other processes (not a stand-in of the test's own).
std::vector<HWND> BrowserFrames() {
  std::vector<HWND> frames;
  for (HWND w : FrameWindows())
    if (ProcessOf(w) != GetCurrentProcessId()) frames.push_back(w);
  return frames;
}

// Waits, answering messages meanwhile, until the condition holds.
bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 30000) {
  return testing::PumpMessagesUntil(condition, milliseconds);
}

// The text of the browser window's address bar.
std::string AddressOf(HWND frame) {
  HWND rebar = FindWindowExA(frame, nullptr, "ReBarWindow32", nullptr);
  HWND combo = FindWindowExA(rebar, nullptr, "ComboBoxEx32", nullptr);
  HWND box = FindWindowExA(combo, nullptr, "ComboBox", nullptr);
  HWND edit = FindWindowExA(box, nullptr, "Edit", nullptr);
  if (!edit) return "";
  char text[1024] = {};
  SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// Ends the browser that owns the frame window the way its own shutdown does:
// its message loop ends, it withdraws its class and disconnects its objects.
// Only if it does not end in time is it killed; a killed server leaves its
// class registered with Wine's rpcss, and later activations then fail.
void EndBrowser(HWND frame) {
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(frame, &process);
  HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process);
  if (!handle) return;
  PostThreadMessageA(thread, WM_QUIT, 0, 0);
  if (WaitForSingleObject(handle, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(handle, 1);
    WaitForSingleObject(handle, 10000);
  }
  CloseHandle(handle);
}

void EndBrowsers() {
  for (HWND frame : BrowserFrames()) EndBrowser(frame);
}

class SeparateBrowserOnWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    EndBrowsers();  // left by a run that was cut short
    platform.desktop = &desktop;
  }
  void TearDown() override {
    separate.Drop();
    EndBrowsers();
    CoUninitialize();
  }

  HWND OnlyBrowserFrame() {
    const std::vector<HWND> frames = BrowserFrames();
    return frames.size() == 1 ? frames[0] : nullptr;
  }

  Win32Desktop desktop;
  Platform platform;
  SeparateBrowser separate;
};

// A window of the browser frame class that belongs to the test: another
// browser window that stays open while the separate one goes.
class StandInFrame {
 public:
  StandInFrame() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "IEFrame";
    RegisterClassA(&window_class);
    window_ = CreateWindowExA(0, "IEFrame", "stand-in", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~StandInFrame() {
    DestroyWindow(window_);
    UnregisterClassA("IEFrame", GetModuleHandleA(nullptr));
  }
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

TEST_F(SeparateBrowserOnWine, FirstNavigationStartsABrowserAndTheNextOneReusesIt) {
  ASSERT_TRUE(BrowserFrames().empty());
  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/first");
  ASSERT_FALSE(separate.Empty());
  ASSERT_TRUE(WaitFor([&] {
    HWND frame = OnlyBrowserFrame();
    return frame && IsWindowVisible(frame) && AddressOf(frame) == "http://127.0.0.1:9/first";
  })) << BrowserFrames().size()
      << " browser windows";
  HWND frame = OnlyBrowserFrame();
  const DWORD process = ProcessOf(frame);

  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/second");
  EXPECT_TRUE(WaitFor([&] { return AddressOf(frame) == "http://127.0.0.1:9/second"; }));
  ASSERT_EQ(BrowserFrames().size(), 1u);
  EXPECT_EQ(BrowserFrames()[0], frame);
  EXPECT_EQ(ProcessOf(frame), process);
}

TEST_F(SeparateBrowserOnWine, BrowserWindowClosedByTheUserShowsTheNextAddress) {
  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/first");
  ASSERT_TRUE(WaitFor([&] { return OnlyBrowserFrame() && IsWindowVisible(OnlyBrowserFrame()); }));
  HWND frame = OnlyBrowserFrame();
  PostMessageA(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }));

  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/again");
  EXPECT_TRUE(WaitFor(
      [&] { return IsWindowVisible(frame) && AddressOf(frame) == "http://127.0.0.1:9/again"; }));
  EXPECT_EQ(BrowserFrames().size(), 1u);
}

TEST_F(SeparateBrowserOnWine, BrowserThatIsGoneIsReplacedByANewOne) {
  StandInFrame other_window;
  ASSERT_NE(other_window.get(), nullptr);
  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/first");
  ASSERT_TRUE(WaitFor([&] { return OnlyBrowserFrame() != nullptr; }));
  const DWORD first_process = ProcessOf(OnlyBrowserFrame());
  EndBrowser(OnlyBrowserFrame());
  ASSERT_TRUE(WaitFor([&] { return BrowserFrames().empty(); }));

  // The held object reports that its browser is gone, not a plain failure.
  EXPECT_THROW(separate.Object().Navigate("http://127.0.0.1:9/x"), BrowserGoneError);

  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/replaced");
  ASSERT_TRUE(WaitFor([&] {
    HWND frame = OnlyBrowserFrame();
    return frame && IsWindowVisible(frame) && AddressOf(frame) == "http://127.0.0.1:9/replaced";
  }));
  EXPECT_NE(ProcessOf(OnlyBrowserFrame()), first_process);
}

// A band opens a page and goes; the user closes that browser, and a new band
// opens an address at once. The ending browser's server still answers the
// new band's start, and is gone before it does anything ("RPC call failed."):
// the next start reaches a new browser.
TEST_F(SeparateBrowserOnWine, BrowserClosedAsANewBandStartsOneIsReplaced) {
  {
    SeparateBrowser first_band;
    NavigateTo(platform, nullptr, first_band, "http://127.0.0.1:9/first");
    ASSERT_TRUE(WaitFor([&] {
      HWND frame = OnlyBrowserFrame();
      return frame && IsWindowVisible(frame) && AddressOf(frame) == "http://127.0.0.1:9/first";
    }));
  }
  HWND closed = OnlyBrowserFrame();
  const DWORD closed_process = ProcessOf(closed);
  PostMessageA(closed, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(closed); }));

  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/again");
  ASSERT_TRUE(WaitFor([&] {
    HWND frame = OnlyBrowserFrame();
    return frame && IsWindowVisible(frame) && AddressOf(frame) == "http://127.0.0.1:9/again";
  })) << BrowserFrames().size()
      << " browser windows";
  EXPECT_NE(ProcessOf(OnlyBrowserFrame()), closed_process);
}

// The user's own browser window, opened and active since the separate browser
// started: the address opens in the separate browser, and that window is the
// one brought to the front, not the user's other window.
TEST_F(SeparateBrowserOnWine, TheBrowserThatOpensTheAddressIsTheOneBroughtToFront) {
  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/first");
  ASSERT_TRUE(WaitFor([&] {
    HWND frame = OnlyBrowserFrame();
    return frame && IsWindowVisible(frame) && AddressOf(frame) == "http://127.0.0.1:9/first";
  }));
  HWND frame = OnlyBrowserFrame();
  StandInFrame other_window;
  ShowWindow(other_window.get(), SW_SHOWNORMAL);
  SetForegroundWindow(other_window.get());
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == other_window.get(); }));

  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/second");
  ASSERT_TRUE(WaitFor([&] { return AddressOf(frame) == "http://127.0.0.1:9/second"; }));
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == frame; }, 5000))
      << "the foreground window is " << (GetForegroundWindow() == other_window.get()
                                             ? "the other browser window"
                                             : "another window");
  // The browser's window can be brought to the front: it was the wrong one.
  desktop.BringToFront(reinterpret_cast<WindowId>(frame));
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == frame; }, 5000));
}

TEST_F(SeparateBrowserOnWine, WithoutAnyBrowserWindowTheHyperlinkServiceOpensTheAddress) {
  // The service is handed only web and mail addresses: mail goes to a
  // handler of the test's own.
  RecordingScheme scheme("mailto");
  NavigateTo(platform, nullptr, separate, "http://127.0.0.1:9/first");
  ASSERT_TRUE(WaitFor([&] { return OnlyBrowserFrame() != nullptr; }));
  EndBrowser(OnlyBrowserFrame());
  ASSERT_TRUE(WaitFor([&] { return FrameWindows().empty(); }));

  NavigateTo(platform, nullptr, separate, scheme.Url("someone@example.com"));
  EXPECT_TRUE(WaitFor([&] { return scheme.Opened() == scheme.Url("someone@example.com"); }, 15000))
      << "handler got '" << scheme.Opened() << "'";
  EXPECT_FALSE(separate.Empty());
  EXPECT_TRUE(BrowserFrames().empty());
}

TEST_F(SeparateBrowserOnWine, ShellOpenRunsTheProgramAssociatedWithTheTarget) {
  RecordingScheme scheme;
  ShellOpen(platform, scheme.Url("shell"));
  EXPECT_TRUE(WaitFor([&] { return scheme.Opened() == scheme.Url("shell"); }, 15000))
      << "handler got '" << scheme.Opened() << "'";
  EXPECT_TRUE(separate.Empty());
}

}  // namespace
}  // namespace pq
