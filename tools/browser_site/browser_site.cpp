#include "browser_site.h"

#include <shlguid.h>
#include <shlobj.h>

namespace pq {

STDMETHODIMP BrowserSite::GetWindow(HWND* window) {
  WindowAsked();
  if (!window) return E_POINTER;
  *window = Window();
  return S_OK;
}

STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL) {
  HelpAsked();
  return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::OnFocusChangeIS(IUnknown* object, BOOL gained) {
  FocusChanged(object, gained);
  return S_OK;
}

STDMETHODIMP BrowserSite::QueryStatus(const GUID* group, ULONG, OLECMD*, OLECMDTEXT*) {
  StatusAsked(group);
  return OLECMDERR_E_UNKNOWNGROUP;
}

STDMETHODIMP BrowserSite::Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                               VARIANT* out) {
  const bool band_info = group && IsEqualGUID(*group, CGID_DeskBand) &&
                         command == static_cast<DWORD>(DBID_BANDINFOCHANGED);
  Executed(group, command, option, in, out, band_info);
  if (band_info) return S_OK;
  return group ? OLECMDERR_E_UNKNOWNGROUP : OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP BrowserSite::QueryService(REFGUID service, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  HRESULT result = E_NOINTERFACE;
  IUnknown* browser = Browser();
  if (browser && IsEqualGUID(service, SID_SWebBrowserApp))
    result = browser->QueryInterface(riid, ppv);
  ServiceAsked(service, riid, result);
  return result;
}

}  // namespace pq
