// The sample toolbar's installer, run silently on a machine of its own: files
// and registry values in place in both registry views, the DLLs registered,
// the band host hosting the installed toolbar, and the uninstaller taking it
// all away again, with or without the user's state.
//   installer_test --installer=SETUP.exe --bandhost=bandhost.exe --source=DIR [gtest flags]
// DIR holds the files the installer was made from.
#include <cstring>
#include <string>

#include "machine_state.h"

namespace {

using namespace pq_installer_test;

std::string installer, bandhost, source;

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
