#include "browser_stand_in.h"

#include <string>

#include "host_frame.h"
#include "host_log.h"

namespace pq::bandhost {
namespace {

std::string VariantText(const VARIANT* value) {
  if (!value) return "(null)";
  switch (value->vt) {
    case VT_EMPTY:
      return "VT_EMPTY";
    case VT_BOOL:
      return value->boolVal ? "VT_BOOL TRUE" : "VT_BOOL FALSE";
    case VT_I4:
      return "VT_I4 " + std::to_string(value->lVal);
    case VT_BSTR:
      return "VT_BSTR " + Narrow(value->bstrVal);
    default:
      return "VT " + std::to_string(value->vt);
  }
}

}  // namespace

HRESULT BrowserStandIn::NotImplemented(const char* method) {
  Log(std::string("browser: ") + method + " (not implemented)");
  return E_NOTIMPL;
}

STDMETHODIMP BrowserStandIn::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID_IWebBrowser) || IsEqualIID(riid, IID_IWebBrowserApp) ||
      IsEqualIID(riid, IID_IWebBrowser2)) {
    *ppv = static_cast<IWebBrowser2*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) BrowserStandIn::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) BrowserStandIn::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

// --- what the toolbar uses ---

STDMETHODIMP BrowserStandIn::Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post_data,
                                      VARIANT* headers) {
  const std::string address = Narrow(url);
  Log("browser: Navigate " + address + " flags=" + VariantText(flags) + " target=" +
      VariantText(target) + " post=" + VariantText(post_data) + " headers=" + VariantText(headers));
  if (attached_) frame_.ShowAddress(address);
  return S_OK;
}

STDMETHODIMP BrowserStandIn::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target,
                                       VARIANT* post_data, VARIANT* headers) {
  if (!url || url->vt != VT_BSTR) {
    Log("browser: Navigate2 " + VariantText(url) + " (not an address)");
    return E_INVALIDARG;
  }
  Log("browser: Navigate2 " + Narrow(url->bstrVal));
  return Navigate(url->bstrVal, flags, target, post_data, headers);
}

STDMETHODIMP BrowserStandIn::get_Width(LONG* value) {
  if (!value) return E_POINTER;
  RECT area{};
  if (attached_) GetWindowRect(frame_.frame(), &area);
  *value = area.right - area.left;
  Log("browser: get_Width -> " + std::to_string(*value));
  return S_OK;
}

STDMETHODIMP BrowserStandIn::put_StatusText(BSTR value) {
  const std::string text = Narrow(value);
  Log("browser: put_StatusText " + text);
  if (attached_) frame_.SetStatusText(text);
  return S_OK;
}

STDMETHODIMP BrowserStandIn::get_StatusText(BSTR* value) {
  if (!value) return E_POINTER;
  const std::string text = attached_ ? frame_.status_text() : std::string();
  Log("browser: get_StatusText -> " + text);
  *value = SysAllocString(Widen(text).c_str());
  return S_OK;
}

STDMETHODIMP BrowserStandIn::ShowBrowserBar(VARIANT* id, VARIANT* show, VARIANT* size) {
  std::string line = "browser: ShowBrowserBar " + VariantText(id) + " " + VariantText(show) + " " +
                     VariantText(size);
  CLSID band_id{};
  if (!id || id->vt != VT_BSTR || FAILED(CLSIDFromString(id->bstrVal, &band_id))) {
    Log(line + " -> " + Hex(E_INVALIDARG));
    return E_INVALIDARG;
  }
  // No show argument means show.
  const bool visible = !show || show->vt != VT_BOOL || show->boolVal != VARIANT_FALSE;
  const HRESULT result = attached_ && frame_.ShowBand(band_id, visible) ? S_OK : E_INVALIDARG;
  Log(line + " -> " + Hex(result));
  return result;
}

STDMETHODIMP BrowserStandIn::get_HWND(SHANDLE_PTR* value) {
  if (!value) return E_POINTER;
  *value = attached_ ? reinterpret_cast<SHANDLE_PTR>(frame_.frame()) : 0;
  Log("browser: get_HWND");
  return S_OK;
}

STDMETHODIMP BrowserStandIn::get_LocationURL(BSTR* value) {
  if (!value) return E_POINTER;
  const std::string address = attached_ ? frame_.address() : std::string();
  Log("browser: get_LocationURL -> " + address);
  *value = SysAllocString(Widen(address).c_str());
  return S_OK;
}

// --- the rest is logged and refused ---

STDMETHODIMP BrowserStandIn::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return NotImplemented("GetTypeInfoCount");
}
STDMETHODIMP BrowserStandIn::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return NotImplemented("GetTypeInfo");
}
STDMETHODIMP BrowserStandIn::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return NotImplemented("GetIDsOfNames");
}
STDMETHODIMP BrowserStandIn::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                    UINT*) {
  return NotImplemented("Invoke");
}
STDMETHODIMP BrowserStandIn::GoBack() { return NotImplemented("GoBack"); }
STDMETHODIMP BrowserStandIn::GoForward() { return NotImplemented("GoForward"); }
STDMETHODIMP BrowserStandIn::GoHome() { return NotImplemented("GoHome"); }
STDMETHODIMP BrowserStandIn::GoSearch() { return NotImplemented("GoSearch"); }
STDMETHODIMP BrowserStandIn::Refresh() { return NotImplemented("Refresh"); }
STDMETHODIMP BrowserStandIn::Refresh2(VARIANT*) { return NotImplemented("Refresh2"); }
STDMETHODIMP BrowserStandIn::Stop() { return NotImplemented("Stop"); }
STDMETHODIMP BrowserStandIn::get_Application(IDispatch** value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Application");
}
STDMETHODIMP BrowserStandIn::get_Parent(IDispatch** value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Parent");
}
STDMETHODIMP BrowserStandIn::get_Container(IDispatch** value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Container");
}
STDMETHODIMP BrowserStandIn::get_Document(IDispatch** value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Document");
}
STDMETHODIMP BrowserStandIn::get_TopLevelContainer(VARIANT_BOOL*) {
  return NotImplemented("get_TopLevelContainer");
}
STDMETHODIMP BrowserStandIn::get_Type(BSTR* value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Type");
}
STDMETHODIMP BrowserStandIn::get_Left(LONG*) { return NotImplemented("get_Left"); }
STDMETHODIMP BrowserStandIn::put_Left(LONG) { return NotImplemented("put_Left"); }
STDMETHODIMP BrowserStandIn::get_Top(LONG*) { return NotImplemented("get_Top"); }
STDMETHODIMP BrowserStandIn::put_Top(LONG) { return NotImplemented("put_Top"); }
STDMETHODIMP BrowserStandIn::put_Width(LONG) { return NotImplemented("put_Width"); }
STDMETHODIMP BrowserStandIn::get_Height(LONG*) { return NotImplemented("get_Height"); }
STDMETHODIMP BrowserStandIn::put_Height(LONG) { return NotImplemented("put_Height"); }
STDMETHODIMP BrowserStandIn::get_LocationName(BSTR* value) {
  if (value) *value = nullptr;
  return NotImplemented("get_LocationName");
}
STDMETHODIMP BrowserStandIn::get_Busy(VARIANT_BOOL*) { return NotImplemented("get_Busy"); }
STDMETHODIMP BrowserStandIn::Quit() { return NotImplemented("Quit"); }
STDMETHODIMP BrowserStandIn::ClientToWindow(int*, int*) { return NotImplemented("ClientToWindow"); }
STDMETHODIMP BrowserStandIn::PutProperty(BSTR, VARIANT) { return NotImplemented("PutProperty"); }
STDMETHODIMP BrowserStandIn::GetProperty(BSTR, VARIANT*) { return NotImplemented("GetProperty"); }
STDMETHODIMP BrowserStandIn::get_Name(BSTR* value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Name");
}
STDMETHODIMP BrowserStandIn::get_FullName(BSTR* value) {
  if (value) *value = nullptr;
  return NotImplemented("get_FullName");
}
STDMETHODIMP BrowserStandIn::get_Path(BSTR* value) {
  if (value) *value = nullptr;
  return NotImplemented("get_Path");
}
STDMETHODIMP BrowserStandIn::get_Visible(VARIANT_BOOL*) { return NotImplemented("get_Visible"); }
STDMETHODIMP BrowserStandIn::put_Visible(VARIANT_BOOL) { return NotImplemented("put_Visible"); }
STDMETHODIMP BrowserStandIn::get_StatusBar(VARIANT_BOOL*) {
  return NotImplemented("get_StatusBar");
}
STDMETHODIMP BrowserStandIn::put_StatusBar(VARIANT_BOOL) { return NotImplemented("put_StatusBar"); }
STDMETHODIMP BrowserStandIn::get_ToolBar(int*) { return NotImplemented("get_ToolBar"); }
STDMETHODIMP BrowserStandIn::put_ToolBar(int) { return NotImplemented("put_ToolBar"); }
STDMETHODIMP BrowserStandIn::get_MenuBar(VARIANT_BOOL*) { return NotImplemented("get_MenuBar"); }
STDMETHODIMP BrowserStandIn::put_MenuBar(VARIANT_BOOL) { return NotImplemented("put_MenuBar"); }
STDMETHODIMP BrowserStandIn::get_FullScreen(VARIANT_BOOL*) {
  return NotImplemented("get_FullScreen");
}
STDMETHODIMP BrowserStandIn::put_FullScreen(VARIANT_BOOL) {
  return NotImplemented("put_FullScreen");
}
STDMETHODIMP BrowserStandIn::QueryStatusWB(OLECMDID, OLECMDF*) {
  return NotImplemented("QueryStatusWB");
}
STDMETHODIMP BrowserStandIn::ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) {
  return NotImplemented("ExecWB");
}
STDMETHODIMP BrowserStandIn::get_ReadyState(READYSTATE*) {
  return NotImplemented("get_ReadyState");
}
STDMETHODIMP BrowserStandIn::get_Offline(VARIANT_BOOL*) { return NotImplemented("get_Offline"); }
STDMETHODIMP BrowserStandIn::put_Offline(VARIANT_BOOL) { return NotImplemented("put_Offline"); }
STDMETHODIMP BrowserStandIn::get_Silent(VARIANT_BOOL*) { return NotImplemented("get_Silent"); }
STDMETHODIMP BrowserStandIn::put_Silent(VARIANT_BOOL) { return NotImplemented("put_Silent"); }
STDMETHODIMP BrowserStandIn::get_RegisterAsBrowser(VARIANT_BOOL*) {
  return NotImplemented("get_RegisterAsBrowser");
}
STDMETHODIMP BrowserStandIn::put_RegisterAsBrowser(VARIANT_BOOL) {
  return NotImplemented("put_RegisterAsBrowser");
}
STDMETHODIMP BrowserStandIn::get_RegisterAsDropTarget(VARIANT_BOOL*) {
  return NotImplemented("get_RegisterAsDropTarget");
}
STDMETHODIMP BrowserStandIn::put_RegisterAsDropTarget(VARIANT_BOOL) {
  return NotImplemented("put_RegisterAsDropTarget");
}
STDMETHODIMP BrowserStandIn::get_TheaterMode(VARIANT_BOOL*) {
  return NotImplemented("get_TheaterMode");
}
STDMETHODIMP BrowserStandIn::put_TheaterMode(VARIANT_BOOL) {
  return NotImplemented("put_TheaterMode");
}
STDMETHODIMP BrowserStandIn::get_AddressBar(VARIANT_BOOL*) {
  return NotImplemented("get_AddressBar");
}
STDMETHODIMP BrowserStandIn::put_AddressBar(VARIANT_BOOL) {
  return NotImplemented("put_AddressBar");
}
STDMETHODIMP BrowserStandIn::get_Resizable(VARIANT_BOOL*) {
  return NotImplemented("get_Resizable");
}
STDMETHODIMP BrowserStandIn::put_Resizable(VARIANT_BOOL) { return NotImplemented("put_Resizable"); }

}  // namespace pq::bandhost
