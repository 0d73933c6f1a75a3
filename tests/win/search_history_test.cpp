// The toolbar window's files and settings against the real thing: the history
// file in a real directory, shared with other windows and other programs, and
// the window's values in the real registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <shlobj.h>

#include <string>
#include <vector>

#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_internet.h"
#include "fakes/fake_toolbar_view.h"
#include "fakes/fake_user_interface.h"
#include "support/scratch_key.h"
#include "support/whole_files.h"
#include "support/win32_ports.h"
#include "toolbar/toolbar_form.h"
#include "ui_kit/mouse_input.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadAll;
using testing::WriteAll;
using ui_kit::WaitUntil;

// The history file is UTF-8 after a byte-order mark.
const std::string kMark = "\xEF\xBB\xBF";

// The files of a directory, by name.
std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Runs chattr, a program of the machine Wine runs on, on a directory given by
// its Windows name. Wine runs a Unix executable given by its path on the Z:
// drive; it tells nothing of how the program ended, so callers look for its
// effect.
bool Chattr(const std::string& change, const std::string& dir) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  char* unix_dir = to_unix ? to_unix(std::wstring(dir.begin(), dir.end()).c_str()) : nullptr;
  if (!unix_dir) return false;
  std::string command = "/usr/bin/chattr " + change + " " + unix_dir;
  HeapFree(GetProcessHeap(), 0, unix_dir);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("Z:/usr/bin/chattr", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process))
    return false;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

// Whether a new file can be made in the directory now. Each probe has a name
// of its own: one made just before the directory was sealed stays in it.
bool CanCreateIn(const std::string& dir) {
  static int probes = 0;
  const std::string probe = dir + "\\probe" + std::to_string(++probes);
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(probe.c_str());
  return true;
}

// A directory in which nothing new can be created, not even by root (the
// immutable attribute); the files already in it stay writable.
class SealedDirectory {
 public:
  explicit SealedDirectory(const std::string& dir) : dir_(dir) {
    sealed_ = Chattr("+i", dir) && WaitUntil([&] { return !CanCreateIn(dir_); }, 10000);
  }
  ~SealedDirectory() {
    if (sealed_ && Chattr("-i", dir_)) WaitUntil([&] { return CanCreateIn(dir_); }, 10000);
  }
  bool sealed() const { return sealed_; }

 private:
  std::string dir_;
  bool sealed_ = false;
};

class WindowFilesTest : public ::testing::Test {
 protected:
  WindowFilesTest() {
    ToolbarConfigRecord& config = ToolbarConfig;
    config.BandClassId = kBandClassId;
    config.BandKeyPath = key.path();
    config.InstallPath = dir.path();
    config.ToolbarFile = "My Bar";
    config.ToolbarName = "My Bar";
    config.SearchUrl = "http://find.example/?q=[SEARCH]";
    config.DefaultSpeedCount = 1;
    platform.ui = &ui;
    platform.desktop = &desktop;
    platform.internet = &internet;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.path().c_str(), "InstallPath", REG_SZ,
                    dir.path().c_str(), static_cast<DWORD>(dir.path().size() + 1));
  }
  ~WindowFilesTest() override { ClearToolbarConfig(); }

  std::string History() const { return dir.File("My Bar.txt"); }
  std::unique_ptr<TToolbarForm> Open(fakes::FakeToolbarView& shown) {
    auto form = std::make_unique<TToolbarForm>(platform, shown);
    form->FormCreate();
    form->HostBrowser = host;
    return form;
  }
  static void Search(TToolbarForm& form, fakes::FakeToolbarView& shown, const std::string& text) {
    shown.search_text = text;
    char enter = '\r';
    form.SearchBoxKeyPress(enter);
  }
  std::string Value(const std::string& name, DWORD* type = nullptr) {
    char data[256] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.path().c_str(), name.c_str(), RRF_RT_ANY, type, data,
                     &size) != ERROR_SUCCESS)
      return "<none>";
    return data;
  }

  testing::ScratchDir dir;
  testing::ScratchKey key;
  testing::Win32Ports real;
  Platform& platform = real.platform;
  fakes::FakeUserInterface ui;
  fakes::FakeDesktop desktop;
  fakes::FakeInternet internet;
  std::shared_ptr<fakes::FakeHostBrowser> host = std::make_shared<fakes::FakeHostBrowser>();
  fakes::FakeToolbarView view;
};

// Windows share the history file, which is replaced whole; one held by
// another program stops the search and loses nothing.
TEST_F(WindowFilesTest, WindowsShareTheHistoryFileWhichIsReplacedWholeOrNotAtAll) {
  fakes::FakeToolbarView other_view;
  auto form = Open(view);
  auto other = Open(other_view);
  Search(*form, view, "first");
  Search(*other, other_view, "second");
  Search(*form, view, "third");
  const std::string written = kMark + "first\r\nsecond\r\nthird\r\n";
  EXPECT_EQ(ReadAll(History()), written);
  EXPECT_THAT(FilesIn(dir.path()), ElementsAre("My Bar.txt"));
  EXPECT_THAT(ui.shown, IsEmpty());

  const struct {
    const char* name;
    DWORD access;
    DWORD share;
    const char* message;  // what the search shows, before its address
  } holders[] = {
      {"held by a reader", GENERIC_READ, FILE_SHARE_READ, "Cannot create file "},
      {"held by a writer", GENERIC_WRITE, 0, "Cannot open file "},
  };
  for (const auto& c : holders) {
    SCOPED_TRACE(c.name);
    ui.shown.clear();
    host->log.clear();
    HANDLE held =
        CreateFileA(History().c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Search(*form, view, "new");
    CloseHandle(held);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, c.message + History() + ".");
    EXPECT_THAT(host->log, IsEmpty());
    EXPECT_EQ(ReadAll(History()), written);
    EXPECT_THAT(FilesIn(dir.path()), ElementsAre("My Bar.txt"));
  }
  // Released, the next search writes what the list holds.
  Search(*form, view, "newer");
  EXPECT_EQ(ReadAll(History()), kMark + "first\r\nnew\r\nnewer\r\nsecond\r\nthird\r\n");
}

TEST_F(WindowFilesTest, SealedInstallDirectoryKeepsTheHistoryInTheUsersFolder) {
  // Wine's browser library lacks the protected-mode functions: the ordinary
  // per-user folder serves.
  platform.desktop = &real.desktop;
  char local[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local),
            S_OK);
  ToolbarConfig.ToolbarName = "Sealed " + std::to_string(GetCurrentProcessId());
  const std::string user_folder =
      std::string(local) + "\\Pelliquester\\" + ToolbarConfig.ToolbarName;
  const std::string user_history = user_folder + "\\" + ToolbarConfig.ToolbarName + ".txt";
  const std::string install_history = dir.File(ToolbarConfig.ToolbarName + ".txt");
  WriteAll(install_history, "old\r\n");
  auto form = Open(view);
  {
    SealedDirectory sealed(dir.path());
    if (!sealed.sealed()) GTEST_SKIP() << "chattr cannot seal " << dir.path() << " here";
    Search(*form, view, "typed");
    fakes::FakeToolbarView other_view;
    auto other = Open(other_view);
    Search(*other, other_view, "more");
    EXPECT_THAT(other_view.search_list, ElementsAre("more", "old", "typed"));
  }
  EXPECT_THAT(ui.shown, IsEmpty());
  EXPECT_THAT(host->log, ElementsAre("navigate http://find.example/?q=typed",
                                     "navigate http://find.example/?q=more"));
  EXPECT_EQ(ReadAll(user_history), kMark + "more\r\nold\r\ntyped\r\n");
  EXPECT_EQ(ReadAll(install_history), "old\r\n");
  EXPECT_EQ(form->HistoryFileName(), user_history);
  DeleteFileA(user_history.c_str());
  RemoveDirectoryA(user_folder.c_str());
}

// A history file from before UTF-8 holds the system's code page and no mark:
// it is read so, a search typed in any script joins it, and the save rewrites
// the whole file as UTF-8 after a mark.
TEST_F(WindowFilesTest, AnOldHistoryInTheAnsiCodePageIsReadAndRewrittenAsUtf8) {
  char old[32] = {};
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"caf\x00E9\r\nna\x00EFve\r\n",
                                         -1, old, sizeof old, nullptr, &lossy);
  if (length == 0 || lossy || old[3] == '\xC3')
    GTEST_SKIP() << "the system code page (" << GetACP() << ") is not an 8-bit Latin one";
  WriteAll(History(), old);
  auto form = Open(view);
  Search(*form, view, "\xD0\xB6 \xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");  // zhe, e acute, euro, zhong
  EXPECT_THAT(view.search_list, ElementsAre("caf\xC3\xA9", "na\xC3\xAFve",
                                            "\xD0\xB6 \xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"));
  EXPECT_THAT(host->log,
              ElementsAre("navigate http://find.example/?q=%D0%B6+%C3%A9+%E2%82%AC+%E4%B8%AD"));
  EXPECT_EQ(ReadAll(History()),
            "\xEF\xBB\xBF" "caf\xC3\xA9\r\nna\xC3\xAFve\r\n\xD0\xB6 \xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\r\n");
  // Another window reads the new file back as it was typed.
  fakes::FakeToolbarView other_view;
  auto other = Open(other_view);
  Search(*other, other_view, "more");
  EXPECT_THAT(other_view.search_list,
              ElementsAre("caf\xC3\xA9", "more", "na\xC3\xAFve",
                          "\xD0\xB6 \xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"));
  EXPECT_THAT(ui.shown, IsEmpty());
}

TEST_F(WindowFilesTest, WindowStateGoesToTheBandsKeyAsText) {
  WriteAll(dir.File("My Bar.ini"),
           "[Options]\r\nToolbar Name=My Bar\r\n[Toolbar Items]\r\nSpeedBtn1=\r\n"
           "[SpeedBtn1]\r\nTag=111\r\nParent=Toolbar\r\nURL=http://speed.example/\r\n");
  auto form = Open(view);
  ui.input_answer = "http://mine.example/";
  form->Click(*form->miSpeedBtn[0]);
  form->FormShow();
  view.search_text = "last words";
  form->FormDestroy();
  DWORD type = 0;
  EXPECT_EQ(Value("SpeedBtn1", &type), "http://mine.example/");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Value("Search Type", &type), "0");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Value("Search"), "last words");
  EXPECT_NE(Value("Date"), "<none>");
  EXPECT_THAT(ui.shown, IsEmpty());
}

}  // namespace
}  // namespace pq
