// The band in a private session, through the DLL's own exports as the browser
// loads it: this program plays a private browser, and the band asks it as it
// asks the browser, after the frame library, which under Wine has no answer.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "support/band_dll.h"
#include "support/recording_browser.h"
#include "support/shown_band.h"
#include "support/test_site.h"
#include "ui_kit/window_finder.h"
#include "win32/modules.h"

extern "C" __declspec(dllexport) BOOL WINAPI IEIsInPrivateBrowsing() { return TRUE; }

namespace pq::testing {
namespace {

using Microsoft::WRL::ComPtr;

const std::string kBandKey =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);

bool HasValue(const char* name) {
  return RegGetValueA(HKEY_LOCAL_MACHINE, kBandKey.c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS;
}

TEST(PrivateBand, ASearchLeavesNoHistoryAndNoSearchText) {
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kBandKey.c_str(), "Search");
  // Without an installation the history lives beside the program.
  const std::string program = win32::ModuleFileName(nullptr);
  const std::string history = program.substr(0, program.rfind('\\') + 1) + "\\.txt";
  DeleteFileA(history.c_str());

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    BandDll dll;
    TestSite site(SiteWindow());
    site.browser.Attach(new RecordingBrowser);
    site.browser->Expect({"get_Width", "Navigate"});
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IDeskBand> band;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
    ComPtr<IObjectWithSite> sited;
    ASSERT_EQ(band.As(&sited), S_OK);
    ASSERT_EQ(sited->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
    HWND window = ShowSitedBand(band.Get());
    HWND edit = ui_kit::SearchFieldOf(window);
    for (wchar_t unit : std::wstring(L"secret\r")) SendMessageW(edit, WM_CHAR, unit, 1);
    ASSERT_EQ(site.browser->navigations.size(), 1u);
    EXPECT_EQ(site.browser->navigations[0].url, L"http://www.search.example.net/search?q=secret");
    band->CloseDW(0);
    sited->SetSite(nullptr);
  }
  CoUninitialize();
  EXPECT_EQ(GetFileAttributesA(history.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(HasValue("Search"));
}

}  // namespace
}  // namespace pq::testing
