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
      return "VT_BSTR " + win32::Utf8(value->bstrVal);
    default:
      return "VT " + std::to_string(value->vt);
  }
}

// An out-parameter string for the caller to free; E_OUTOFMEMORY when none
// could be made.
HRESULT ReturnText(const std::string& text, BSTR* value) {
  const std::wstring wide = win32::Wide(text);
  *value = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *value ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT BrowserStandIn::NotImplemented(const char* method) {
  Log(std::string("browser: ") + method + " (not implemented)");
  return E_NOTIMPL;
}

// --- what the toolbar uses ---

STDMETHODIMP BrowserStandIn::Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post_data,
                                      VARIANT* headers) {
  const std::string address = win32::Utf8(url);
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
  Log("browser: Navigate2 " + win32::Utf8(url->bstrVal));
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
  const std::string text = win32::Utf8(value);
  Log("browser: put_StatusText " + text);
  if (attached_) frame_.SetStatusText(text);
  return S_OK;
}

STDMETHODIMP BrowserStandIn::get_StatusText(BSTR* value) {
  if (!value) return E_POINTER;
  const std::string text = attached_ ? frame_.status_text() : std::string();
  Log("browser: get_StatusText -> " + text);
  return ReturnText(text, value);
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
  return ReturnText(address, value);
}

}  // namespace pq::bandhost
