#pragma once
// The band site that the host gives each band: the docking window, the
// focus tracker, the command target and the way to the browser.
#include <docobj.h>
#include <servprov.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <atomic>

namespace pq::bandhost {

class HostFrame;
struct HostedBand;

class BandSite final : public IOleWindow,
                       public IInputObjectSite,
                       public IOleCommandTarget,
                       public IServiceProvider {
 public:
  BandSite(HostFrame& frame, HostedBand& band, IUnknown* browser);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter_mode) override;

  STDMETHODIMP OnFocusChangeIS(IUnknown* object, BOOL gained) override;

  STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                           OLECMDTEXT* text) override;
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                    VARIANT* out) override;

  STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override;

  // The band goes: the site no longer refers to it or to the frame.
  void Detach() { band_ = nullptr; }

 private:
  ~BandSite() = default;
  std::atomic<ULONG> references_{1};
  HostFrame& frame_;
  HostedBand* band_;
  Microsoft::WRL::ComPtr<IUnknown> browser_;
};

}  // namespace pq::bandhost
