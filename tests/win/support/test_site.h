#pragma once
// A band site for the tests that drive the band as a browser would: one
// window to hold the band, and a record of everything the band asks of the
// site. A hosting browser is offered only when a test gives one.
#include <objbase.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <utility>
#include <vector>

#include "browser_site.h"
#include "support/recording_browser.h"

namespace pq::testing {

using Microsoft::WRL::ComPtr;

// One top-level window for the whole program: making one costs seconds under Wine.
inline HWND SiteWindow() {
  static HWND window = [] {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "BandTestSite";
    RegisterClassA(&window_class);
    HWND created =
        CreateWindowExA(0, "BandTestSite", "site", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 120,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(created);
    return created;
  }();
  return window;
}

inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

struct FocusChange {
  IUnknown* object;
  BOOL gained;
};

struct ExecCall {
  GUID group;
  DWORD command;
  DWORD option;
  VARTYPE in_type;
  LONG in_value;
};

// A band site that records what the band asks of it. It lives on the stack
// of a test: the test's own reference is never released.
class TestSite : public BrowserSite {
 public:
  explicit TestSite(HWND window) : window_(window) {}

  // The hosting browser the site offers; none unless a test gives one.
  ComPtr<RecordingBrowser> browser;

  std::vector<FocusChange> focus_changes;
  std::vector<ExecCall> exec_calls;
  bool out_was_empty = false;
  std::vector<std::pair<GUID, IID>> service_queries;

 private:
  HWND Window() override { return window_; }
  IUnknown* Browser() override { return browser.Get(); }
  void FocusChanged(IUnknown* object, BOOL gained) override {
    focus_changes.push_back({object, gained});
  }
  void Executed(const GUID* group, DWORD command, DWORD option, const VARIANT* in,
                const VARIANT* out, bool) override {
    exec_calls.push_back({group ? *group : GUID_NULL, command, option,
                          in ? in->vt : VARTYPE{VT_ILLEGAL}, in && in->vt == VT_I4 ? in->lVal : 0});
    out_was_empty = out && out->vt == VT_EMPTY;
  }
  void ServiceAsked(REFGUID service, REFIID riid, HRESULT) override {
    service_queries.push_back({service, riid});
  }

  HWND window_;
};

}  // namespace pq::testing
