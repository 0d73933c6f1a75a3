#include "band_site.h"

#include <shlguid.h>

#include "host_frame.h"
#include "host_log.h"

namespace pq::bandhost {

BandSite::BandSite(HostFrame& frame, HostedBand& band, IUnknown* browser)
    : frame_(frame), band_(&band), browser_(browser) {}

STDMETHODIMP BandSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
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

STDMETHODIMP_(ULONG) BandSite::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) BandSite::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP BandSite::GetWindow(HWND* window) {
  Log("site: IOleWindow::GetWindow");
  if (!window) return E_POINTER;
  *window = frame_.band_area();
  return S_OK;
}

STDMETHODIMP BandSite::ContextSensitiveHelp(BOOL) {
  Log("site: IOleWindow::ContextSensitiveHelp (not implemented)");
  return E_NOTIMPL;
}

STDMETHODIMP BandSite::OnFocusChangeIS(IUnknown*, BOOL gained) {
  Log(std::string("site: IInputObjectSite::OnFocusChangeIS ") + (gained ? "TRUE" : "FALSE"));
  if (band_) frame_.BandFocusChanged(*band_, gained != FALSE);
  return S_OK;
}

STDMETHODIMP BandSite::QueryStatus(const GUID* group, ULONG, OLECMD*, OLECMDTEXT*) {
  Log("site: IOleCommandTarget::QueryStatus " + (group ? GuidText(*group) : "(none)") +
      " (not supported)");
  return OLECMDERR_E_UNKNOWNGROUP;
}

STDMETHODIMP BandSite::Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in, VARIANT*) {
  std::string line = "site: IOleCommandTarget::Exec " + (group ? GuidText(*group) : "(none)") +
                     " " + std::to_string(command) + " " + std::to_string(option);
  if (in && in->vt == VT_I4) line += " VT_I4 " + std::to_string(in->lVal);
  if (group && IsEqualGUID(*group, CGID_DeskBand) && command == DBID_BANDINFOCHANGED) {
    Log(line + " (band info changed)");
    if (band_) frame_.BandInfoChanged(*band_);
    return S_OK;
  }
  Log(line + " (not supported)");
  return group ? OLECMDERR_E_UNKNOWNGROUP : OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP BandSite::QueryService(REFGUID service, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  HRESULT result = E_NOINTERFACE;
  if (IsEqualGUID(service, SID_SWebBrowserApp) && browser_)
    result = browser_->QueryInterface(riid, ppv);
  Log("site: IServiceProvider::QueryService " + GuidText(service) + " " + GuidText(riid) + " -> " +
      Hex(result));
  return result;
}

}  // namespace pq::bandhost
