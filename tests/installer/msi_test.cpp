// The sample toolbar's Windows Installer packages, installed and removed with
// msiexec /qn on a machine of their own: the same files and registry values as
// the NSIS installer in both registry views, each DLL registered by itself,
// the band host hosting the installed toolbar, a removal that leaves nothing
// but the users' state, and a newer package replacing an older one.
//   msi_test --older=OLD.msi --newer=NEW.msi --upgrade-code={...} --bandhost=bandhost.exe
//            --source=DIR [gtest flags]
// OLD.msi is made with "Config Version" 1 from the files in DIR, NEW.msi with 2.
// clang-format off
#include "machine_state.h"
#include <msi.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace pq_installer_test;

std::string older, newer, upgrade_code, bandhost, source, other;

// Windows Installer's exit code for an installation that a launch condition refused.
const std::string kRefused = "exit code 1603";
// What the toolbar keeps in the band's key as it is used, and nothing else of ours.
const std::set<std::string> kUserValues = {"Date", "Search Type", "Search", "SpeedBtn1"};

std::string Msiexec(const std::string& arguments) {
  return RunProgram("msiexec " + arguments + " /qn");
}

// The products installed from packages of the sample toolbar.
std::vector<std::string> InstalledProducts() {
  std::vector<std::string> products;
  char product[39];
  for (DWORD i = 0; MsiEnumRelatedProductsA(upgrade_code.c_str(), 0, i, product) == ERROR_SUCCESS;
       ++i)
    products.emplace_back(product);
  return products;
}

std::string ProductInfo(const std::string& product, const char* property) {
  char value[512] = {};
  DWORD size = sizeof value;
  return MsiGetProductInfoA(product.c_str(), property, value, &size) == ERROR_SUCCESS ? value : "";
}

std::string UninstallKey(const std::string& product) {
  return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
}

class MsiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Msiexec("/i \"" + older + "\""), kSuccess); }
  void TearDown() override {
    for (const std::string& product : InstalledProducts()) Msiexec("/x " + product);
  }
};

TEST_F(MsiTest, PutsTheFilesInPlaceWritesBothRegistryViewsAndRegistersEachDll) {
  for (const char* file : {"Pelliquester.dll", "Pelliquester32.dll", "Pelliquester.ico"})
    EXPECT_TRUE(Exists(InstallDir() + "\\" + file)) << file;
  for (const char* file : {"SampleBar.ini", "SampleBar.bmp", "SampleBar.gif", "Copyrights.txt"})
    EXPECT_EQ(ReadFile(InstallDir() + "\\" + file), ReadFile(source + "\\" + file)) << file;

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    // No trailing backslash, which Windows Installer's own directory values have.
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), InstallDir());
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar File", view.access), kName);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kClassKey, "", view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBarsKey, kBandId, view.access), "");
    // Written by DllRegisterServer only: each DLL registered itself.
    EXPECT_EQ(
        RegText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel", view.access),
        "Apartment");
    EXPECT_TRUE(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Date", view.access).has_value());
    const auto server = RegText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "", view.access);
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(LongPath(*server), InstallDir() + "\\" + view.dll);
  }

  // One product, in the list of installed programs with the configuration's
  // company, its version ("Config Version" 1) and the toolbar's icon.
  const std::vector<std::string> products = InstalledProducts();
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(ProductInfo(products[0], "VersionString"), "0.0.1");
  const std::string arp = UninstallKey(products[0]);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, arp, "DisplayName", KEY_WOW64_64KEY), kName);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, arp, "Publisher", KEY_WOW64_64KEY), "Example Publishing");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, arp, "DisplayVersion", KEY_WOW64_64KEY), "0.0.1");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, arp, "InstallLocation", KEY_WOW64_64KEY),
            InstallDir() + "\\");
  // The icon Windows Installer keeps for the entry (Windows names it in
  // DisplayIcon, Wine in the product's own key only).
  const std::string icon = ProductInfo(products[0], "ProductIcon");
  EXPECT_TRUE(!icon.empty() && Exists(icon)) << icon;
  // The size, in kilobytes (Windows writes it as EstimatedSize, Wine as
  // Size): both DLLs alone are above a megabyte each, the whole is below twenty.
  const int size =
      std::atoi(RegText(HKEY_LOCAL_MACHINE, arp, "Size", KEY_WOW64_64KEY).value_or("0").c_str());
  EXPECT_GT(size, 2000);
  EXPECT_LT(size, 20000);
}

TEST_F(MsiTest, TheBandHostHostsTheInstalledToolbar) { ExpectTheBandHostHostsTheToolbar(bandhost); }

TEST_F(MsiTest, RemovingItLeavesTheUsersStateAndNothingElse) {
  LeaveUserState();
  // What updates of the configuration leave beside it, and what the toolbar
  // keeps of its searches.
  for (const char* file :
       {"SampleBar Default.ini", "SampleBar Internet.ini", "SampleBar Update.ini"})
    std::ofstream(InstallDir() + "\\" + file, std::ios::binary) << "[Options]\n";
  PutText(HKEY_LOCAL_MACHINE, kBandKey + "\\MRUKeywords", "1", "a keyword", KEY_WOW64_64KEY);
  const std::vector<std::string> products = InstalledProducts();
  ASSERT_EQ(products.size(), 1u);

  ASSERT_EQ(Msiexec("/x \"" + older + "\""), kSuccess);

  EXPECT_TRUE(InstalledProducts().empty());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(products[0]), KEY_WOW64_64KEY));
  for (const char* file :
       {"Pelliquester.dll", "Pelliquester32.dll", "SampleBar.ini", "SampleBar.bmp", "SampleBar.gif",
        "Copyrights.txt", "Pelliquester.ico", "SampleBar Default.ini", "SampleBar Internet.ini",
        "SampleBar Update.ini"})
    EXPECT_FALSE(Exists(InstallDir() + "\\" + file)) << file;
  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, view.access));
    EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access));
    EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kBarsKey, kBandId, view.access));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBandKey + "\\MRUKeywords", view.access));
    for (const std::string& value : ValueNames(HKEY_LOCAL_MACHINE, kBandKey, view.access))
      EXPECT_TRUE(kUserValues.count(value)) << value << " is left in the band's key";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Search", view.access),
              std::string("kept in the ") + view.name);
  }
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kBandKey, "Search", 0), "the user's own");
  EXPECT_EQ(ReadFile(InstallDir() + "\\" + kName + ".txt"), "shared search\n");
  EXPECT_EQ(ReadFile(UserFolder() + "\\" + kName + "\\" + kName + ".txt"), "own search\n");

  // Installing again finds the state.
  ASSERT_EQ(Msiexec("/i \"" + older + "\""), kSuccess);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Search", KEY_WOW64_64KEY),
            "kept in the 64-bit view");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", KEY_WOW64_64KEY), InstallDir());
}

TEST_F(MsiTest, ANewerPackageReplacesTheOlderOneAndAnOlderOneIsRefused) {
  LeaveUserState();
  const std::vector<std::string> before = InstalledProducts();
  ASSERT_EQ(before.size(), 1u);

  ASSERT_EQ(Msiexec("/i \"" + newer + "\""), kSuccess);
  const std::vector<std::string> after = InstalledProducts();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_NE(after[0], before[0]);
  EXPECT_EQ(ProductInfo(after[0], "VersionString"), "0.0.2");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(before[0]), KEY_WOW64_64KEY));
  EXPECT_EQ(ReadFile(InstallDir() + "\\SampleBar.ini"),
            ReadFile(source + "\\newer\\SampleBar.ini"));
  // The older package went before the newer one was installed: its removal
  // took none of the newer one's registration.
  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kClassKey, "", view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access), kName);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), InstallDir());
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Search", view.access),
              std::string("kept in the ") + view.name);
  }
  EXPECT_EQ(ReadFile(InstallDir() + "\\" + kName + ".txt"), "shared search\n");
  ExpectTheBandHostHostsTheToolbar(bandhost);

  // The older package does not go over the newer one.
  EXPECT_EQ(Msiexec("/i \"" + older + "\""), kRefused);
  EXPECT_EQ(InstalledProducts(), after);
  EXPECT_EQ(ReadFile(InstallDir() + "\\SampleBar.ini"),
            ReadFile(source + "\\newer\\SampleBar.ini"));
}

// Two publishers' toolbars made with the same DLL, each its own product: the
// one installed last is the browser's toolbar. Removing the other package,
// which Windows still lists, must leave it registered and working.
TEST_F(MsiTest, RemovingAnotherToolbarsPackageLeavesThisOneRegistered) {
  ASSERT_EQ(Msiexec("/i \"" + other + "\""), kSuccess);
  const std::string other_dir = pq_installer_test::Folder(CSIDL_PROGRAM_FILES) + "\\OtherBar";
  ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", KEY_WOW64_64KEY), other_dir);

  ASSERT_EQ(Msiexec("/x \"" + older + "\""), kSuccess);

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), other_dir);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", view.access), "OtherBar");
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kClassKey, "", view.access), "OtherBar");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandId, view.access), "OtherBar");
  }
  EXPECT_TRUE(Exists(other_dir + "\\Pelliquester.dll"));
  Msiexec("/x \"" + other + "\"");
}

// The other way round: the shown toolbar's package goes while the other's
// stays. The registration stays with it, for the removed directory; repairing
// the other package, as the documentation tells, shows that one again.
TEST_F(MsiTest, RepairingThePackageLeftAfterTheShownOneWentRegistersItAgain) {
  ASSERT_EQ(Msiexec("/i \"" + other + "\""), kSuccess);
  ASSERT_EQ(Msiexec("/x \"" + other + "\""), kSuccess);

  ASSERT_EQ(Msiexec("/i \"" + older + "\" REINSTALL=ALL REINSTALLMODE=amus"), kSuccess);

  for (const View& view : kViews) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", view.access), InstallDir());
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", view.access), kName);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kClassKey, "", view.access), kName);
    const auto server = RegText(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "", view.access);
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(LongPath(*server), InstallDir() + "\\" + view.dll);
  }
  ExpectTheBandHostHostsTheToolbar(bandhost);
}

}  // namespace

int main(int argc, char** argv) {
  // No error boxes from the system: a test that fails must not wait for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    for (auto [flag, target] :
         {std::pair{"--older=", &older}, std::pair{"--newer=", &newer},
          std::pair{"--upgrade-code=", &upgrade_code}, std::pair{"--bandhost=", &bandhost},
          std::pair{"--source=", &source}, std::pair{"--other=", &other}})
      if (argument.starts_with(flag)) *target = argument.substr(std::strlen(flag));
  }
  if (older.empty() || newer.empty() || upgrade_code.empty() || bandhost.empty() ||
      source.empty() || other.empty()) {
    std::fprintf(stderr,
                 "usage: msi_test --older=OLD.msi --newer=NEW.msi --upgrade-code={...} "
                 "--bandhost=EXE --source=DIR --other=OTHER.msi\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
