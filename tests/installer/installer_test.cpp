// The sample toolbar's installer, run silently on a machine of its own: files
// and registry values in place in both registry views, the DLLs registered,
// the band host hosting the installed toolbar, and the uninstaller taking it
// all away again, with or without the user's state.
//   installer_test --installer=SETUP.exe --bandhost=bandhost.exe --source=DIR [gtest flags]
// DIR holds the files the installer was made from.
#include <cctype>
#include <cstring>
#include <string>

#include "machine_state.h"
// clang-format off
#include <tlhelp32.h>
// clang-format on

namespace {

using namespace pq_installer_test;

std::string installer, bandhost, source, other_installer, plain_installer;

const std::string kUninstallKey =
    std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pelliquester ") + kBandId;

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
};

TEST_F(InstallerTest, PutsTheFilesInPlaceWritesBothRegistryViewsAndRegistersEachDll) {
  for (const char* file :
       {"Pelliquester.dll", "Pelliquester32.dll", "Pelliquester.ico", "Uninstall.exe"})
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
  // The entry in the list of installed programs: the configuration's company
  // and version, the toolbar's icon, and the size of what was installed.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", KEY_WOW64_64KEY),
            "Example Publishing");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", KEY_WOW64_64KEY), "1");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon", KEY_WOW64_64KEY),
            InstallDir() + "\\Pelliquester.ico");
  const auto size = RegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", KEY_WOW64_64KEY);
  ASSERT_TRUE(size.has_value());
  // Both DLLs alone are above a megabyte each; the whole is below twenty.
  EXPECT_GT(*size, 2000u);
  EXPECT_LT(*size, 20000u);
}

TEST_F(InstallerTest, TheBandHostHostsTheInstalledToolbar) {
  ExpectTheBandHostHostsTheToolbar(bandhost);
}

TEST_F(InstallerTest, SilentUninstallingKeepsTheUsersStateAndAPurgeTakesIt) {
  LeaveUserState();
  Uninstall(false);
  for (const char* file : {"Pelliquester.dll", "Pelliquester32.dll", "SampleBar.ini",
                           "SampleBar.bmp", "SampleBar.gif", "Copyrights.txt", "Pelliquester.ico",
                           "Uninstall.exe"})
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

// An administrator who chose the directory (/D=) upgrades with the same
// command without /D: the toolbar stays where it is, with its shared history.
TEST_F(InstallerTest, AnUpgradeStaysInTheDirectoryTheToolbarWasInstalledIn) {
  Uninstall(true);
  const std::string chosen =
      pq_installer_test::Folder(CSIDL_PROGRAM_FILES) + "\\Chosen Place\\" + kName;
  ASSERT_EQ(RunProgram("\"" + installer + "\" /S /D=" + chosen), kSuccess);
  ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", KEY_WOW64_64KEY), chosen);
  std::ofstream(chosen + "\\" + kName + ".txt", std::ios::binary) << "shared search\n";

  ASSERT_EQ(RunProgram("\"" + installer + "\" /S"), kSuccess);

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), chosen);
  }
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", KEY_WOW64_64KEY), chosen);
  EXPECT_FALSE(Exists(InstallDir())) << "a second copy of the toolbar went to " << InstallDir();
}

// Two publishers' toolbars made with the same DLL: the second replaces the
// first, as one band serves one toolbar per machine. The first one's own
// uninstaller, all that is left of it, must not take the second away.
TEST_F(InstallerTest, TheReplacedToolbarsUninstallerLeavesTheOtherToolbarInstalled) {
  ASSERT_EQ(RunProgram("\"" + other_installer + "\" /S"), kSuccess);
  const std::string other_dir = pq_installer_test::Folder(CSIDL_PROGRAM_FILES) + "\\OtherBar";
  ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", KEY_WOW64_64KEY), "OtherBar");

  // The replaced toolbar's files went with it, or the list of installed
  // programs still offers to remove them.
  const bool files_left = Exists(InstallDir() + "\\Pelliquester.dll");
  const bool listed =
      RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", KEY_WOW64_64KEY) == kName;
  EXPECT_TRUE(!files_left || listed)
      << InstallDir() << " is left with no entry in the list of installed programs";
  if (Exists(InstallDir() + "\\Uninstall.exe")) Uninstall(false);

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), other_dir);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", view.access), "OtherBar");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", view.access));
  }
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", KEY_WOW64_64KEY), "OtherBar");
  EXPECT_TRUE(Exists(other_dir + "\\Pelliquester.dll"));
}

// A copy of the replaced toolbar's uninstaller kept somewhere (a backup, a
// deployment tool's cache) and run after the other toolbar was installed: it
// finds the registration and the entry another's, and leaves them.
TEST_F(InstallerTest, AnUninstallerWhoseToolbarWasReplacedLeavesTheOtherOnesRegistration) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string kept = std::string(temp) + "pq-kept-uninstall.exe";
  ASSERT_TRUE(CopyFileA((InstallDir() + "\\Uninstall.exe").c_str(), kept.c_str(), FALSE));
  ASSERT_EQ(RunProgram("\"" + other_installer + "\" /S"), kSuccess);
  const std::string other_dir = pq_installer_test::Folder(CSIDL_PROGRAM_FILES) + "\\OtherBar";

  CreateDirectoryA(InstallDir().c_str(), nullptr);
  EXPECT_EQ(RunProgram("\"" + kept + "\" /S /PURGE _?=" + InstallDir()), kSuccess);
  DeleteFileA(kept.c_str());

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), other_dir);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kClassKey, "", view.access), "OtherBar");
    const auto server = RegText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "", view.access);
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(LongPath(*server), other_dir + "\\" + view.dll);
  }
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", KEY_WOW64_64KEY),
            other_dir);
  EXPECT_FALSE(Exists(InstallDir()));
}

// A browser holds the installed DLL while the administrator pushes the same
// or a newer installer: the DLL is replaced (now or at the next restart) or
// the installer says it was not; it does not end as if all went well with
// the old DLL in place.
TEST_F(InstallerTest, AnUpgradeWhileABrowserHoldsTheDllReplacesItOrFails) {
  const std::string dll = InstallDir() + "\\Pelliquester.dll";
  // An old date marks the file that is in place now; the installer writes its
  // files with the dates they were built with.
  FILETIME old_date{};
  SYSTEMTIME day{2001, 1, 1, 1, 0, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToFileTime(&day, &old_date));
  {
    HANDLE file = CreateFileA(dll.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &old_date));
    CloseHandle(file);
  }
  // Loaded, as by a browser that shows the toolbar.
  HMODULE held = LoadLibraryA(dll.c_str());
  ASSERT_NE(held, nullptr);
  const std::string outcome = RunProgram("\"" + installer + "\" /S");
  FreeLibrary(held);

  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(dll.c_str(), GetFileExInfoStandard, &data));
  const bool replaced = CompareFileTime(&data.ftLastWriteTime, &old_date) != 0;
  HKEY manager = nullptr;
  bool replace_at_restart = false;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE, &manager) == ERROR_SUCCESS) {
    replace_at_restart = RegQueryValueExA(manager, "PendingFileRenameOperations", nullptr, nullptr,
                                          nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(manager);
  }
  EXPECT_TRUE(replaced || replace_at_restart || outcome != kSuccess)
      << "the installer ended with " << outcome
      << " and left the DLL that was in use in place, with nothing to replace it at restart";
}

// The same, told apart: the installer ends with 3010 (a restart is needed),
// the new DLL waits beside the one in use to take its place at the restart,
// and an uninstallation before then takes both away.
TEST_F(InstallerTest, ADllInUseIsReplacedAtTheRestartAndTheInstallerSaysSo) {
  const std::string dll = InstallDir() + "\\Pelliquester.dll";
  HMODULE held = LoadLibraryA(dll.c_str());
  ASSERT_NE(held, nullptr);
  const std::string outcome = RunProgram("\"" + installer + "\" /S");
  FreeLibrary(held);
  EXPECT_EQ(outcome, "exit code 3010");
  EXPECT_TRUE(Exists(dll + ".new"));
  HKEY manager = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                          0, KEY_QUERY_VALUE, &manager),
            ERROR_SUCCESS);
  std::string pending(64 * 1024, '\0');
  DWORD size = static_cast<DWORD>(pending.size());
  const LONG result = RegQueryValueExA(manager, "PendingFileRenameOperations", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(pending.data()), &size);
  RegCloseKey(manager);
  ASSERT_EQ(result, ERROR_SUCCESS);
  pending.resize(size);
  for (char& c : pending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(pending.find("pelliquester.dll.new"), std::string::npos) << pending;

  Uninstall(true);
  EXPECT_FALSE(Exists(dll + ".new"));
}

std::wstring WideRegText(const std::string& path, const wchar_t* name, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, std::wstring(path.begin(), path.end()).c_str(), 0,
                    KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return L"(no key)";
  wchar_t data[MAX_PATH] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  const LONG result =
      RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? data : L"(no value)";
}


// The administrator's choice of directory (/D=), with blanks or letters beyond
// ASCII: the values name it exactly and the toolbar comes up from it.
TEST_F(InstallerTest, InstallsIntoADirectoryOfTheAdministratorsChoice) {
  Uninstall(true);
  wchar_t program_files[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, program_files)));
  for (const wchar_t* folder :
       {L"Sample Tools\\Sample Bar", L"B\u00e4r Werkzeug\\\u041f\u0430\u043d\u0435\u043b\u044c"}) {
    const std::wstring chosen = std::wstring(program_files) + L"\\" + folder;
    SCOPED_TRACE(std::string(chosen.begin(), chosen.end()));
    const std::wstring setup(installer.begin(), installer.end());
    ASSERT_EQ(RunProgram(L"\"" + setup + L"\" /S /D=" + chosen), kSuccess);
    for (const View& view : kViews)
      EXPECT_EQ(WideRegText(kBandKey, L"InstallPath", view.access), chosen) << view.name;
    ExpectTheBandHostHostsTheToolbar(bandhost);
    const std::wstring uninstaller = chosen + L"\\Uninstall.exe";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"pq-uninstall.exe";
    ASSERT_TRUE(CopyFileW(uninstaller.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(RunProgram(L"\"" + copy + L"\" /S /PURGE _?=" + chosen), kSuccess);
    DeleteFileW(copy.c_str());
    EXPECT_EQ(GetFileAttributesW(chosen.c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

// Deployment tools run the entry's QuietUninstallString and take its end as
// the end of the removal, as they do for any program: an installation that
// follows must not meet the old one still being taken away.
TEST_F(InstallerTest, TheQuietUninstallStringEndsWhenTheToolbarIsRemoved) {
  const auto quiet =
      RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", KEY_WOW64_64KEY);
  ASSERT_TRUE(quiet.has_value());
  ASSERT_EQ(RunProgram(*quiet), kSuccess);
  EXPECT_FALSE(Exists(InstallDir() + "\\Pelliquester.dll"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));
  for (const View& view : kViews)
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, view.access)) << view.name;

  // Whatever still works on after it is waited for, so that the next test
  // starts on a machine at rest.
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    // The uninstaller's copy in the temporary folder (Un.exe, Un_A.exe or
    // Au_.exe, by the version of NSIS).
    if (_wcsnicmp(entry.szExeFile, L"Un", 2) != 0 && _wcsnicmp(entry.szExeFile, L"Au_", 3) != 0)
      continue;
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      WaitForSingleObject(process, kProgramTimeoutMs);
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY))
      << "the removal had not ended either when its last process did";
}

// A machine where the browser cannot be started by the installer (removed as
// a Windows feature, say): registration fails, and the installer says so. It
// then leaves nothing of the toolbar behind either, or lists what it left.
TEST_F(InstallerTest, AFailedRegistrationLeavesNothingUnlisted) {
  Uninstall(true);
  const std::string server_key = "CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32";
  std::optional<std::string> saved[2];
  for (int i = 0; i < 2; ++i) {
    saved[i] = RegText(HKEY_CLASSES_ROOT, server_key, "", kViews[i].access);
    ASSERT_TRUE(saved[i].has_value());
    ASSERT_EQ(RegDeleteKeyExA(HKEY_CLASSES_ROOT, server_key.c_str(), kViews[i].access, 0),
              ERROR_SUCCESS);
  }
  const std::string outcome = RunProgram("\"" + installer + "\" /S");
  const bool listed = KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY);
  const bool files_left = Exists(InstallDir() + "\\Pelliquester.dll");
  const bool values_left = KeyExists(HKEY_LOCAL_MACHINE, kBandKey, KEY_WOW64_64KEY);
  const bool class_left = KeyExists(HKEY_CLASSES_ROOT, kClassKey, KEY_WOW64_64KEY);
  for (int i = 0; i < 2; ++i)
    PutText(HKEY_CLASSES_ROOT, server_key, "", *saved[i], kViews[i].access);

  EXPECT_NE(outcome, kSuccess);
  EXPECT_TRUE(listed || (!files_left && !values_left && !class_left))
      << "after " << outcome << ": files " << files_left << ", the band's values " << values_left
      << ", the class " << class_left << ", and no entry in the list of installed programs";
}

// The publisher's next version comes without a banner or notice file: the
// toolbar upgraded by it shows the built-in banner and notice, not the ones of
// the version it replaced.
TEST_F(InstallerTest, AnUpgradeTakesAwayTheFilesTheNewVersionNoLongerHas) {
  ASSERT_EQ(RunProgram("\"" + plain_installer + "\" /S"), kSuccess);
  EXPECT_NE(ReadFile(InstallDir() + "\\SampleBar.ini").find("Config Version=2"), std::string::npos);
  for (const char* file : {"SampleBar.bmp", "Copyrights.txt"})
    EXPECT_FALSE(Exists(InstallDir() + "\\" + file)) << file << " of the older version is left";
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
          std::pair{"--source=", &source}, std::pair{"--other-installer=", &other_installer},
          std::pair{"--plain-installer=", &plain_installer}})
      if (argument.starts_with(flag)) *target = argument.substr(std::strlen(flag));
  }
  if (installer.empty() || bandhost.empty() || source.empty() || other_installer.empty() ||
      plain_installer.empty()) {
    std::fprintf(stderr,
                 "usage: installer_test --installer=SETUP.exe --bandhost=EXE --source=DIR "
                 "--other-installer=SETUP.exe --plain-installer=SETUP.exe\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
