// End to end: the band host plays the browser for the registered DLL.
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/band_dll.h"
#include "support/scratch_key.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

using ui_kit::ClickAt;
using ui_kit::ClickWouldReach;
using ui_kit::DescendantOfClass;
using ui_kit::FocusOfThreadOf;
using ui_kit::MiddleOf;
using ui_kit::SearchFieldOf;
using ui_kit::WaitUntil;

const std::string kBandKey =
    std::string("SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\") + kBandId;

void RemoveRegistration() {
  BandDll dll;
  if (dll.UnregisterServer) dll.UnregisterServer();
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A host started and left running; ended by force if the test leaves it so.
class RunningHost {
 public:
  explicit RunningHost(const std::string& arguments) {
    std::string command = "\"" + BandHostPath() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
      return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  ~RunningHost() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
  }
  RunningHost(const RunningHost&) = delete;
  RunningHost& operator=(const RunningHost&) = delete;
  HANDLE process() const { return process_; }

 private:
  HANDLE process_ = nullptr;
};

// The host's exit code, or -1 when it didn't finish in time.
long RunHost(const std::string& arguments) {
  RunningHost host(arguments);
  if (!host.process()) return -2;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(host.process(), 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(host.process(), &code);
  return static_cast<long>(code);
}

// Finds each expected line in order, each after the one before.
::testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                   const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const std::string& wanted : expected) {
    while (at < lines.size() && lines[at].rfind(wanted, 0) != 0) ++at;
    if (at == lines.size()) {
      std::ostringstream log;
      for (const std::string& line : lines) log << "\n  " << line;
      return ::testing::AssertionFailure()
             << "missing, or out of order: \"" << wanted << "\"; the log:" << log.str();
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

class BandHost : public ::testing::Test {
 protected:
  BandHost() { RemoveRegistration(); }
  ~BandHost() override { RemoveRegistration(); }
  // Registers the band as an installation does.
  static bool RegisterBand() {
    BandDll dll;
    return dll.module() && dll.RegisterServer() == S_OK;
  }
  // The host's arguments that log to the scratch folder, then `more`.
  std::string Logged(const std::string& more) const { return "--log \"" + log + "\" " + more; }

  ScratchDir scratch;
  const std::string log = scratch.File("host.log");
};

TEST_F(BandHost, HostsTheRegisteredBandFromCreationToRelease) {
  ASSERT_EQ(SHSetValueA(HKEY_LOCAL_MACHINE, kBandKey.c_str(), "Toolbar Name", REG_SZ,
                        "End To End Bar", 15),
            ERROR_SUCCESS);
  ASSERT_TRUE(RegisterBand());
  ASSERT_EQ(RunHost(Logged("--exit-after 1500")), 0);
  const std::string id = kBandId;
  EXPECT_TRUE(InOrder(ReadLines(log), {
                                          "host: frame created",
                                          "host: CoCreateInstance " + id + " -> 0x00000000",
                                          "site: IOleWindow::GetWindow",
                                          "site: IServiceProvider::QueryService SID_SWebBrowserApp "
                                          "IID_IWebBrowser2 -> 0x00000000",
                                          "host: SetSite -> 0x00000000",
                                          "host: GetBandInfo 0 -> 0x00000000 mask=0x0000002F",
                                          "host: GetWindow -> 0x00000000",
                                          "site: IInputObjectSite::OnFocusChangeIS TRUE",
                                          "host: ShowDW(TRUE) -> 0x00000000",
                                          "host: CloseDW -> 0x00000000",
                                          "host: SetSite(NULL) -> 0x00000000",
                                          "host: released " + id,
                                          "host: frame closed",
                                      }));
}

void Send(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

std::string WindowText(HWND window) {
  char text[256] = {};
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(BandHost, KeystrokesReachTheBandThatTookTheFocusByAClick) {
  ASSERT_TRUE(RegisterBand());
  RunningHost host(Logged("--exit-after 30000"));
  ASSERT_NE(host.process(), nullptr);
  // The host waits for input only once it has loaded and laid out its bands.
  ASSERT_EQ(WaitForInputIdle(host.process(), 30000), 0u) << "the host never waited for input";
  HWND frame = nullptr, edit = nullptr;
  POINT field{};
  ASSERT_TRUE(WaitUntil(
      [&] {
        frame = FindWindowA("IEFrame", nullptr);
        HWND area = frame ? FindWindowExA(frame, nullptr, "BandHostBands", nullptr) : nullptr;
        HWND band = area ? FindWindowExA(area, nullptr, "PelliquesterToolbar", nullptr) : nullptr;
        edit = band ? SearchFieldOf(band) : nullptr;
        if (!edit) return false;
        field = MiddleOf(edit);
        return ClickWouldReach(edit, field);
      },
      15000))
      << "the band's field never showed where a click would reach it";

  SetForegroundWindow(frame);
  ASSERT_TRUE(ClickAt(field));
  ASSERT_TRUE(WaitUntil(
      [&] { return GetForegroundWindow() == frame && FocusOfThreadOf(edit) == edit; }, 15000))
      << "the click didn't give the field the focus";
  Send({Key('P', false), Key('P', true), Key('Q', false), Key('Q', true), Key(VK_TAB, false),
        Key(VK_TAB, true)});
  const bool typed = WaitUntil([&] { return WindowText(edit) == "pq"; }, 15000);
  const std::string text = WindowText(edit);
  PostMessageA(frame, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(host.process(), 30000), WAIT_OBJECT_0) << "the host didn't close";
  EXPECT_TRUE(typed) << "the field holds \"" << text << "\"";
  EXPECT_TRUE(
      InOrder(ReadLines(log), {
                                  "host: ShowDW(TRUE) -> 0x00000000",
                                  "site: IInputObjectSite::OnFocusChangeIS TRUE",
                                  "host: TranslateAcceleratorIO 0x00000100 80 -> 0x00000000",
                                  "host: TranslateAcceleratorIO 0x00000100 81 -> 0x00000000",
                                  "host: TranslateAcceleratorIO 0x00000100 9 -> 0x00000001",
                                  "host: CloseDW -> 0x00000000",
                              }));
}

// The toolbar in a frame of the host: its buttons and its search field.
int ButtonsOfFrame(HWND frame) {
  HWND area = FindWindowExA(frame, nullptr, "BandHostBands", nullptr);
  HWND band = area ? FindWindowExA(area, nullptr, "PelliquesterToolbar", nullptr) : nullptr;
  HWND toolbar = band ? DescendantOfClass(band, "ToolbarWindow32") : nullptr;
  return toolbar ? static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0)) : 0;
}
HWND FieldOfFrame(HWND frame) {
  HWND area = FindWindowExA(frame, nullptr, "BandHostBands", nullptr);
  HWND band = area ? FindWindowExA(area, nullptr, "PelliquesterToolbar", nullptr) : nullptr;
  return band ? SearchFieldOf(band) : nullptr;
}

std::string Units(const std::wstring& text) {
  std::string listed;
  for (wchar_t unit : text) listed += std::to_string(static_cast<unsigned>(unit)) + " ";
  return listed;
}

// As in the browser, each frame runs on a thread of its own, the frames build
// their toolbars at once, and each reads its queue in the wide form:
// characters outside ASCII and outside the system code page, typed as an
// input method types them, reach the band as UTF-16 units and show as typed.
TEST_F(BandHost, FramesOnThreadsOfTheirOwnBuildWholeToolbarsAndTakeUnicodeTyping) {
  ASSERT_TRUE(RegisterBand());
  RunningHost host(Logged("--frames 2 --exit-after 30000"));
  ASSERT_NE(host.process(), nullptr);
  HWND first = nullptr, second = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        first = FindWindowA("IEFrame", "Band host");
        second = FindWindowA("IEFrame", "Band host 2");
        return first && second && ButtonsOfFrame(first) > 0 && FieldOfFrame(first) &&
               ButtonsOfFrame(second) > 0 && FieldOfFrame(second);
      },
      20000))
      << "the frames did not both show a toolbar with its buttons and field; the log:"
      << ::testing::PrintToString(ReadLines(log));
  DWORD first_process = 0, second_process = 0;
  EXPECT_NE(GetWindowThreadProcessId(first, &first_process),
            GetWindowThreadProcessId(second, &second_process))
      << "both frames run on one thread";
  EXPECT_EQ(first_process, GetProcessId(host.process()));
  EXPECT_EQ(second_process, GetProcessId(host.process()));
  EXPECT_EQ(ButtonsOfFrame(first), ButtonsOfFrame(second)) << "one toolbar is not built whole";

  // Typed into the frame that is not on the program's first thread.
  HWND edit = FieldOfFrame(second);
  SetForegroundWindow(second);
  const POINT field = MiddleOf(edit);
  ASSERT_TRUE(WaitUntil([&] { return ClickWouldReach(edit, field); }, 15000))
      << "the second frame's field is not where a click would reach it";
  ASSERT_TRUE(ClickAt(field));
  ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(edit) == edit; }, 15000))
      << "the click didn't give the field the focus";
  const std::wstring typed = L"\x0436\x20AC\x4E2D a";  // zhe, euro, zhong, blank, a
  std::vector<INPUT> inputs;
  for (wchar_t unit : typed)
    for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = unit;
      input.ki.dwFlags = KEYEVENTF_UNICODE | up;
      inputs.push_back(input);
    }
  Send(inputs);
  std::wstring shown;
  WaitUntil(
      [&] {
        wchar_t text[64] = {};
        SendMessageW(edit, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
        shown = text;
        return shown.size() == typed.size();
      },
      15000);
  EXPECT_EQ(Units(shown), Units(typed));

  PostMessageA(first, WM_CLOSE, 0, 0);
  PostMessageA(second, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(host.process(), 30000), WAIT_OBJECT_0) << "the host didn't close";
  DWORD code = 1;
  GetExitCodeProcess(host.process(), &code);
  EXPECT_EQ(code, 0u);
  const std::vector<std::string> lines = ReadLines(log);
  for (const std::string tag : {"", "[frame 2] "})
    EXPECT_TRUE(InOrder(
        lines, {tag + "host: frame created", tag + "host: GetWindow -> 0x00000000",
                tag + "host: ShowDW(TRUE) -> 0x00000000", tag + "host: CloseDW -> 0x00000000",
                tag + "host: released " + kBandId, tag + "host: frame closed"}));
  // The band was offered each character as the unit typed.
  EXPECT_TRUE(
      InOrder(lines, {"[frame 2] host: TranslateAcceleratorIO 0x00000102 1078 -> 0x00000000",
                      "[frame 2] host: TranslateAcceleratorIO 0x00000102 8364 -> 0x00000000",
                      "[frame 2] host: TranslateAcceleratorIO 0x00000102 20013 -> 0x00000000"}));
  EXPECT_EQ(lines.empty() ? "" : lines.back(), "host: done");
}

TEST_F(BandHost, WithNoBandRegisteredTheHostStillRunsAndSaysSo) {
  ASSERT_EQ(RunHost(Logged("--exit-after 500")), 0);
  const std::vector<std::string> lines = ReadLines(log);
  for (const std::string& line : lines)
    EXPECT_EQ(line.find(std::string("CoCreateInstance ") + kBandId), std::string::npos) << line;
  EXPECT_TRUE(InOrder(lines, {"host: frame created", "host: frame closed", "host: done"}));
}

}  // namespace
}  // namespace pq::testing
