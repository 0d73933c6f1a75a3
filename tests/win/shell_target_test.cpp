// What a configured address may start on the desktop: the About box's link
// and the hyperlink service's fallback, through the real shell, hyperlink
// service and About window. Every program this process starts is counted: the
// process belongs to a job, which keeps the count of all its processes ever
// started, ended ones too.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/toolbar_config.h"
#include "nav/about_box.h"
#include "nav/navigation.h"
#include "support/band_dll.h"
#include "support/dialog_answerer.h"
#include "support/owner_window.h"
#include "support/recording_scheme.h"
#include "support/scratch_key.h"
#include "support/win32_ports.h"
#include "ui_kit/mouse_input.h"
#include "win32/about_window.h"

namespace pq {
namespace {

using testing::DialogAnswerer;
using testing::OwnerWindow;
using testing::RecordingScheme;
using ui_kit::WaitUntil;

JOBOBJECT_BASIC_ACCOUNTING_INFORMATION JobCounts() {
  static HANDLE job = [] {
    HANDLE created = CreateJobObjectA(nullptr, nullptr);
    AssignProcessToJobObject(created, GetCurrentProcess());
    return created;
  }();
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr);
  return info;
}

// How many processes this process and its children have started so far.
DWORD ProcessesStarted() { return JobCounts().TotalProcesses; }

// Whether every process started so far has ended, this one aside.
bool AllStartedProcessesEnded() { return JobCounts().ActiveProcesses <= 1; }

// A share on a server of the test's own, as Wine serves UNC paths: from a
// folder below the prefix's "dosdevices\unc".
class ScratchShare {
 public:
  ScratchShare() : server_("pqhost" + std::to_string(GetCurrentProcessId())) {
    char prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) return;
    const std::string unc = testing::WindowsPath(std::string(prefix) + "/dosdevices/unc");
    dir_ = unc + "\\" + server_ + "\\share";
    for (const std::string& made : {unc, unc + "\\" + server_, dir_})
      CreateDirectoryA(made.c_str(), nullptr);
  }
  ~ScratchShare() {
    for (const std::string& name : files_) DeleteFileA((dir_ + "\\" + name).c_str());
    RemoveDirectoryA(dir_.c_str());
    RemoveDirectoryA(dir_.substr(0, dir_.rfind('\\')).c_str());
  }
  // Where the file is written on the disk, and the UNC path that names it.
  std::string DiskPath(const std::string& name) {
    files_.push_back(name);
    return dir_ + "\\" + name;
  }
  std::string UncPath(const std::string& name) const {
    return "\\\\" + server_ + "\\share\\" + name;
  }

 private:
  std::string server_, dir_;
  std::vector<std::string> files_;
};

// A held browser that is never to be asked: the fallback runs only while no
// browser window is left.
class UnusedBrowser final : public AutomationBrowser {
 public:
  void SetVisible(bool) override { ADD_FAILURE() << "the held browser was shown"; }
  void Navigate(const std::string& url) override {
    ADD_FAILURE() << "the held browser was asked to open " << url;
  }
};

class ShellTargets : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    OwnerWindow::Get().Activate();
    (void)ProcessesStarted();
    ToolbarConfig.ToolbarName = "SampleBar";
    ToolbarConfig.InstallPath = dir.path();
    ToolbarConfig.ToolbarFile = "SampleBar";
    // What an earlier test started must not be counted here.
    ASSERT_TRUE(WaitUntil(AllStartedProcessesEnded, 30000)) << "programs started earlier still run";
  }
  void TearDown() override {
    ClearToolbarConfig();
    CoUninitialize();
  }

  // A program that leaves a file behind when it runs.
  static std::string Program(const std::string& path, const std::string& marker) {
    std::ofstream(path, std::ios::binary) << "@echo ran>\"" << marker << "\"\r\n";
    return path;
  }

  // Shows the About box and clicks its address as a user would.
  void ClickAboutLink() {
    bool hit = false;
    DialogAnswerer answerer("About SampleBar", [&](HWND box) {
      HWND link = GetDlgItem(box, win32::kAboutUrlId);
      const POINT centre = ui_kit::MiddleOf(link);
      hit = WaitUntil([&] { return WindowFromPoint(centre) == link; }, 5000) &&
            ui_kit::ClickAt(centre);
    });
    ShowAboutBox(platform, false);
    ASSERT_TRUE(answerer.Finish());
    ASSERT_TRUE(hit) << "the address was not under the mouse";
    EXPECT_TRUE(answerer.Closed());
  }

  testing::ScratchDir dir;
  ScratchShare share;
  testing::Win32Ports ports;
  Platform& platform = ports.platform;
  win32::Win32Desktop& desktop = ports.desktop;
};

// Each target, handed to the shell or to the hyperlink service, starts a
// program: without this the rest would prove nothing. The About box's link
// and the hyperlink fallback start none, yet a mail address still reaches the
// mail program from both.
TEST_F(ShellTargets, TheAboutLinkAndTheHyperlinkFallbackStartNoProgramButMail) {
  std::string file_url = "file:///" + Program(dir.File("by_url.bat"), dir.File("by_url.txt"));
  for (char& c : file_url)
    if (c == '\\') c = '/';
  // The command interpreter runs no batch file from a share; it starts,
  // which is what counts.
  const std::string on_share = Program(share.DiskPath("opened.bat"), dir.File("share.txt"));
  ASSERT_NE(GetFileAttributesA(on_share.c_str()), INVALID_FILE_ATTRIBUTES)
      << "no share could be made below the prefix";
  const struct {
    std::string what, address;
    std::string marker;  // the file the program writes when it runs; empty: none
  } targets[] = {
      {"a program", Program(dir.File("program.bat"), dir.File("program.txt")),
       dir.File("program.txt")},
      {"a program on a share", share.UncPath("opened.bat"), ""},
      {"a file: address", file_url, dir.File("by_url.txt")},
  };
  ASSERT_EQ(desktop.FindBrowserFrame(), 0u) << "a browser window is open";
  SeparateBrowser separate;
  separate.Hold(std::make_unique<UnusedBrowser>());
  for (const auto& target : targets) {
    SCOPED_TRACE(target.what + ": " + target.address);
    DWORD before = ProcessesStarted();
    desktop.OpenWithShell(target.address);
    EXPECT_GT(ProcessesStarted(), before) << "the shell started nothing";
    if (!target.marker.empty()) {
      EXPECT_TRUE(WaitUntil(
          [&] { return GetFileAttributesA(target.marker.c_str()) != INVALID_FILE_ATTRIBUTES; },
          15000))
          << "the program did not run";
    }
    ASSERT_TRUE(WaitUntil(AllStartedProcessesEnded, 30000));
    before = ProcessesStarted();
    desktop.HyperlinkNavigate(target.address);
    EXPECT_GT(ProcessesStarted(), before) << "the hyperlink service started nothing";
    ASSERT_TRUE(WaitUntil(AllStartedProcessesEnded, 30000));

    before = ProcessesStarted();
    ToolbarConfig.HomePageUrl = target.address;
    ClickAboutLink();
    EXPECT_EQ(ProcessesStarted(), before) << "from the About box's link";
    NavigateTo(platform, nullptr, separate, target.address);
    EXPECT_EQ(ProcessesStarted(), before) << "from the hyperlink fallback";
  }

  RecordingScheme mail("mailto");
  ToolbarConfig.HomePageUrl = "mailto:about@example.com";
  ClickAboutLink();
  EXPECT_TRUE(WaitUntil([&] { return mail.Opened() == "mailto:about@example.com"; }, 15000))
      << "the handler got '" << mail.Opened() << "'";
  NavigateTo(platform, nullptr, separate, "mailto:fallback@example.com");
  EXPECT_TRUE(WaitUntil([&] { return mail.Opened() == "mailto:fallback@example.com"; }, 15000))
      << "the handler got '" << mail.Opened() << "'";
}

}  // namespace
}  // namespace pq
