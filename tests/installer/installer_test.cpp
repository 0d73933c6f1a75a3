// The sample toolbar's installer, run silently on a machine of its own: files
// and registry values in place in both registry views, the DLLs registered,
// the band host hosting the installed toolbar, and the uninstaller taking it
// all away again, with or without the user's state.
//   installer_test --installer=SETUP.exe --bandhost=bandhost.exe --source=DIR [gtest flags]
// DIR holds the files the installer was made from.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

std::string installer, bandhost, source;

constexpr char kBandId[] = "{239C3CF1-51CD-435E-8519-61775A6780CF}";
const std::string kBandKey =
    std::string("SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\") + kBandId;
constexpr char kBarsKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars";
constexpr char kToolbarListKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const std::string kClassKey = std::string("CLSID\\") + kBandId;
const std::string kUninstallKey =
    std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pelliquester ") + kBandId;
const std::string kName = "SampleBar";
// An installer or uninstaller that takes longer has hung.
constexpr DWORD kProgramTimeoutMs = 90000;

struct View {
  const char* name;
  REGSAM access;
  const char* dll;  // the DLL a browser of this view loads
};
const View kViews[] = {{"64-bit view", KEY_WOW64_64KEY, "Pelliquester.dll"},
                       {"32-bit view", KEY_WOW64_32KEY, "Pelliquester32.dll"}};

std::optional<std::string> RegText(HKEY root, const std::string& path, const char* name,
                                   REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (result == ERROR_SUCCESS)
    result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return data.substr(0, data.find('\0'));
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void PutText(HKEY root, const std::string& path, const char* name, const std::string& text,
             REGSAM view) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

std::string Folder(int id) {
  char path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}
std::string InstallDir() { return Folder(CSIDL_PROGRAM_FILES) + "\\" + kName; }
std::string UserFolder() { return Folder(CSIDL_LOCAL_APPDATA) + "\\Pelliquester"; }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string LongPath(const std::string& path) {
  char long_path[MAX_PATH] = {};
  return GetLongPathNameA(path.c_str(), long_path, MAX_PATH) ? long_path : path;
}

// Runs a program to its end; its exit code, or a message why there is none.
std::string RunProgram(std::string command_line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return "cannot start " + command_line;
  std::string outcome;
  if (WaitForSingleObject(process.hProcess, kProgramTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    outcome = "timed out: " + command_line;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    outcome = "exit code " + std::to_string(code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

const std::string kSuccess = "exit code 0";

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RunProgram("\"" + installer + "\" /S"), kSuccess); }
  void TearDown() override {
    if (Exists(InstallDir() + "\\Uninstall.exe")) Uninstall(true);
  }

  // Runs a copy of the uninstaller outside the install directory, told where
  // that is: the uninstaller itself would hand over to such a copy and end
  // before the work is done.
  static void Uninstall(bool purge) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string copy = std::string(temp) + "pq-uninstall.exe";
    ASSERT_TRUE(CopyFileA((InstallDir() + "\\Uninstall.exe").c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(RunProgram("\"" + copy + "\" /S" + (purge ? " /PURGE" : "") + " _?=" + InstallDir()),
              kSuccess);
    DeleteFileA(copy.c_str());
  }

  // What the toolbar keeps as it is used: values in both views of the machine's
  // key and in the user's, a history file in the install directory and one in
  // the user's folder.
  static void LeaveUserState() {
    for (const View& view : kViews)
      PutText(HKEY_LOCAL_MACHINE, kBandKey, "Search", std::string("kept in the ") + view.name,
              view.access);
    PutText(HKEY_CURRENT_USER, kBandKey, "Search", "the user's own", 0);
    std::ofstream(InstallDir() + "\\" + kName + ".txt", std::ios::binary) << "shared search\n";
    CreateDirectoryA(UserFolder().c_str(), nullptr);
    CreateDirectoryA((UserFolder() + "\\" + kName).c_str(), nullptr);
    std::ofstream(UserFolder() + "\\" + kName + "\\" + kName + ".txt", std::ios::binary)
        << "own search\n";
  }
};

TEST_F(InstallerTest, PutsTheFilesInPlaceWritesBothRegistryViewsAndRegistersEachDll) {
  for (const char* file : {"Pelliquester.dll", "Pelliquester32.dll", "Uninstall.exe"})
    EXPECT_TRUE(Exists(InstallDir() + "\\" + file)) << file;
  for (const char* file : {"SampleBar.ini", "SampleBar.bmp", "SampleBar.gif", "Copyrights.txt"})
    EXPECT_EQ(ReadFile(InstallDir() + "\\" + file), ReadFile(source + "\\" + file)) << file;

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), InstallDir());
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar File", view.access), kName);
    // Registration takes the name from the values above: they came first.
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kClassKey, "", view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access), kName);
    const auto server = RegText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "", view.access);
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(LongPath(*server), InstallDir() + "\\" + view.dll);
  }
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", KEY_WOW64_64KEY),
            "\"" + InstallDir() + "\\Uninstall.exe\"");
}

TEST_F(InstallerTest, TheBandHostHostsTheInstalledToolbar) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string log = std::string(temp) + "pq-installed-host.log";
  DeleteFileA(log.c_str());
  ASSERT_EQ(RunProgram("\"" + bandhost + "\" --exit-after 2000 --log \"" + log + "\""), kSuccess);
  std::string text = ReadFile(log);
  std::erase(text, '\r');
  for (const std::string& line :
       {"host: CoCreateInstance " + std::string(kBandId) + " -> 0x00000000",
        std::string("site: IOleWindow::GetWindow"), std::string("host: SetSite -> 0x00000000"),
        std::string("host: GetWindow -> 0x00000000"),
        std::string("host: ShowDW(TRUE) -> 0x00000000")})
    EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\nin the log:\n" << text;
}

TEST_F(InstallerTest, SilentUninstallingKeepsTheUsersStateAndAPurgeTakesIt) {
  LeaveUserState();
  Uninstall(false);
  for (const char* file : {"Pelliquester.dll", "Pelliquester32.dll", "SampleBar.ini",
                           "SampleBar.bmp", "SampleBar.gif", "Copyrights.txt", "Uninstall.exe"})
    EXPECT_FALSE(Exists(InstallDir() + "\\" + file)) << file;
  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, view.access));
    EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access));
    for (const char* value : {"InstallPath", "Toolbar Name", "Toolbar File"})
      EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kBandKey, value, view.access)) << value;
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Search", view.access),
              std::string("kept in the ") + view.name);
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kBandKey, "Search", 0), "the user's own");
  EXPECT_EQ(ReadFile(InstallDir() + "\\" + kName + ".txt"), "shared search\n");
  EXPECT_EQ(ReadFile(UserFolder() + "\\" + kName + "\\" + kName + ".txt"), "own search\n");

  // Installing again finds the state, and a purge then leaves nothing behind.
  ASSERT_EQ(RunProgram("\"" + installer + "\" /S"), kSuccess);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Search", KEY_WOW64_64KEY),
            "kept in the 64-bit view");
  Uninstall(true);
  EXPECT_FALSE(Exists(InstallDir()));
  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBandKey, view.access));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, view.access));
    EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access));
    EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kBarsKey, kBandId, view.access));
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBandKey, 0));
  EXPECT_FALSE(Exists(UserFolder()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));
}

}  // namespace

int main(int argc, char** argv) {
  // No error boxes from the system: a test that fails must not wait for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    for (auto [flag, target] :
         {std::pair{"--installer=", &installer}, std::pair{"--bandhost=", &bandhost},
          std::pair{"--source=", &source}})
      if (argument.starts_with(flag)) *target = argument.substr(std::strlen(flag));
  }
  if (installer.empty() || bandhost.empty() || source.empty()) {
    std::fprintf(stderr,
                 "usage: installer_test --installer=SETUP.exe --bandhost=EXE --source=DIR\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
