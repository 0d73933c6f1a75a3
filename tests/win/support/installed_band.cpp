#include "support/installed_band.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "support/shown_band.h"
#include "support/test_site.h"
#include "ui_kit/window_finder.h"

namespace pq::testing {

InstalledBandTest::InstalledBandTest(const std::string& toolbar_name) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, BandKey().c_str());
  SetText("InstallPath", dir.path());
  SetText("Toolbar Name", toolbar_name);
  SetText("Toolbar File", toolbar_name);
}

InstalledBandTest::~InstalledBandTest() {
  FinishAndUnload();
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, BandKey().c_str());
  CoUninitialize();
}

const std::string& InstalledBandTest::BandKey() {
  static const std::string key =
      "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);
  return key;
}

void InstalledBandTest::SetText(const char* name, const std::string& value) {
  SHSetValueA(HKEY_LOCAL_MACHINE, BandKey().c_str(), name, REG_SZ, value.c_str(),
              static_cast<DWORD>(value.size() + 1));
}

void InstalledBandTest::FinishAndUnload() {
  if (dll) {
    EXPECT_TRUE(ui_kit::WaitUntil([&] { return dll->CanUnloadNow() == S_OK; }, 30000));
  }
  UnloadDll();
}

void InstalledBandTest::UnloadDll() {
  dll.reset();
  EXPECT_TRUE(ui_kit::WaitUntil([] { return !GetModuleHandleA(BandDllPath().c_str()); }, 10000));
}

size_t InstalledBandTest::RequestsFor(const std::string& path) const {
  size_t count = 0;
  for (const std::string& request : server.Requests())
    if (request.find(" " + path + " ") != std::string::npos) ++count;
  return count;
}

InstalledBandTest::Shown InstalledBandTest::OpenWindow() {
  Shown shown;
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(dll->GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
  if (!factory) return shown;
  TestSite site(SiteWindow());
  const auto start = std::chrono::steady_clock::now();
  ComPtr<IDeskBand> band;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
  if (!band) return shown;
  ComPtr<IObjectWithSite> with_site;
  EXPECT_EQ(band.As(&with_site), S_OK);
  EXPECT_EQ(with_site->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
  HWND window = ShowSitedBand(band.Get());
  shown.captions = ui_kit::ToolbarCaptionsOf(window);
  shown.took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  band->CloseDW(0);
  with_site->SetSite(nullptr);
  return shown;
}

}  // namespace pq::testing
