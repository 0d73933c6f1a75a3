#pragma once
// The host's band site: logs each call the band makes on it and hands the
// focus and band information changes to its frame.
#include <wrl/client.h>

#include "browser_site.h"

namespace pq::bandhost {

class HostFrame;
struct HostedBand;

class BandSite final : public BrowserSite {
 public:
  BandSite(HostFrame& frame, HostedBand& band, IUnknown* browser);

  // The band goes: the site no longer refers to it or to the frame.
  void Detach() { band_ = nullptr; }

 private:
  HWND Window() override;
  IUnknown* Browser() override { return browser_.Get(); }
  void WindowAsked() override;
  void HelpAsked() override;
  void FocusChanged(IUnknown* object, BOOL gained) override;
  void StatusAsked(const GUID* group) override;
  void Executed(const GUID* group, DWORD command, DWORD option, const VARIANT* in,
                const VARIANT* out, bool band_info_changed) override;
  void ServiceAsked(REFGUID service, REFIID riid, HRESULT answer) override;

  HostFrame& frame_;
  HostedBand* band_;
  Microsoft::WRL::ComPtr<IUnknown> browser_;
};

}  // namespace pq::bandhost
