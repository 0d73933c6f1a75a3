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

#include <atomic>
#include <utility>
#include <vector>

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
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
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

// A band site that records what the band asks of it.
class TestSite : public IOleWindow,
                 public IInputObjectSite,
                 public IOleCommandTarget,
                 public IServiceProvider {
 public:
  explicit TestSite(HWND window) : window_(window) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow))
      *ppv = static_cast<IOleWindow*>(this);
    else if (IsEqualIID(riid, IID_IInputObjectSite))
      *ppv = static_cast<IInputObjectSite*>(this);
    else if (IsEqualIID(riid, IID_IOleCommandTarget))
      *ppv = static_cast<IOleCommandTarget*>(this);
    else if (IsEqualIID(riid, IID_IServiceProvider))
      *ppv = static_cast<IServiceProvider*>(this);
    else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }

  STDMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  STDMETHODIMP OnFocusChangeIS(IUnknown* object, BOOL gained) override {
    focus_changes.push_back({object, gained});
    return S_OK;
  }

  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return E_NOTIMPL; }
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                    VARIANT* out) override {
    exec_calls.push_back({group ? *group : GUID_NULL, command, option,
                          in ? in->vt : VARTYPE{VT_ILLEGAL}, in && in->vt == VT_I4 ? in->lVal : 0});
    out_was_empty = out && out->vt == VT_EMPTY;
    return S_OK;
  }

  STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override {
    service_queries.push_back({service, riid});
    *ppv = nullptr;
    if (browser && IsEqualGUID(service, SID_SWebBrowserApp))
      return browser->QueryInterface(riid, ppv);
    return E_NOINTERFACE;
  }

  // The hosting browser the site offers; none unless a test gives one.
  ComPtr<RecordingBrowser> browser;

  std::atomic<ULONG> references{1};
  std::vector<FocusChange> focus_changes;
  std::vector<ExecCall> exec_calls;
  bool out_was_empty = false;
  std::vector<std::pair<GUID, IID>> service_queries;

 private:
  HWND window_;
};

}  // namespace pq::testing
