#pragma once
// The hosting browser's automation interface, as far as a band uses it:
// Navigate shows the address, StatusText fills the status bar, Width is the
// frame's width, ShowBrowserBar shows or hides a band. Everything else is
// logged and refused.
#include <exdisp.h>
#include <windows.h>

#include <atomic>

namespace pq::bandhost {

class HostFrame;

class BrowserStandIn final : public IWebBrowser2 {
 public:
  explicit BrowserStandIn(HostFrame& frame) : frame_(frame) {}

  // The frame goes away: later calls find no frame.
  void Detach() { attached_ = false; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override;
  // IWebBrowser
  STDMETHODIMP GoBack() override;
  STDMETHODIMP GoForward() override;
  STDMETHODIMP GoHome() override;
  STDMETHODIMP GoSearch() override;
  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post_data,
                        VARIANT* headers) override;
  STDMETHODIMP Refresh() override;
  STDMETHODIMP Refresh2(VARIANT* level) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP get_Application(IDispatch** value) override;
  STDMETHODIMP get_Parent(IDispatch** value) override;
  STDMETHODIMP get_Container(IDispatch** value) override;
  STDMETHODIMP get_Document(IDispatch** value) override;
  STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* value) override;
  STDMETHODIMP get_Type(BSTR* value) override;
  STDMETHODIMP get_Left(LONG* value) override;
  STDMETHODIMP put_Left(LONG value) override;
  STDMETHODIMP get_Top(LONG* value) override;
  STDMETHODIMP put_Top(LONG value) override;
  STDMETHODIMP get_Width(LONG* value) override;
  STDMETHODIMP put_Width(LONG value) override;
  STDMETHODIMP get_Height(LONG* value) override;
  STDMETHODIMP put_Height(LONG value) override;
  STDMETHODIMP get_LocationName(BSTR* value) override;
  STDMETHODIMP get_LocationURL(BSTR* value) override;
  STDMETHODIMP get_Busy(VARIANT_BOOL* value) override;
  // IWebBrowserApp
  STDMETHODIMP Quit() override;
  STDMETHODIMP ClientToWindow(int* cx, int* cy) override;
  STDMETHODIMP PutProperty(BSTR name, VARIANT value) override;
  STDMETHODIMP GetProperty(BSTR name, VARIANT* value) override;
  STDMETHODIMP get_Name(BSTR* value) override;
  STDMETHODIMP get_HWND(SHANDLE_PTR* value) override;
  STDMETHODIMP get_FullName(BSTR* value) override;
  STDMETHODIMP get_Path(BSTR* value) override;
  STDMETHODIMP get_Visible(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Visible(VARIANT_BOOL value) override;
  STDMETHODIMP get_StatusBar(VARIANT_BOOL* value) override;
  STDMETHODIMP put_StatusBar(VARIANT_BOOL value) override;
  STDMETHODIMP get_StatusText(BSTR* value) override;
  STDMETHODIMP put_StatusText(BSTR value) override;
  STDMETHODIMP get_ToolBar(int* value) override;
  STDMETHODIMP put_ToolBar(int value) override;
  STDMETHODIMP get_MenuBar(VARIANT_BOOL* value) override;
  STDMETHODIMP put_MenuBar(VARIANT_BOOL value) override;
  STDMETHODIMP get_FullScreen(VARIANT_BOOL* value) override;
  STDMETHODIMP put_FullScreen(VARIANT_BOOL value) override;
  // IWebBrowser2
  STDMETHODIMP Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* post_data,
                         VARIANT* headers) override;
  STDMETHODIMP QueryStatusWB(OLECMDID command, OLECMDF* status) override;
  STDMETHODIMP ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT* out) override;
  STDMETHODIMP ShowBrowserBar(VARIANT* id, VARIANT* show, VARIANT* size) override;
  STDMETHODIMP get_ReadyState(READYSTATE* value) override;
  STDMETHODIMP get_Offline(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Offline(VARIANT_BOOL value) override;
  STDMETHODIMP get_Silent(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Silent(VARIANT_BOOL value) override;
  STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL* value) override;
  STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL value) override;
  STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL* value) override;
  STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL value) override;
  STDMETHODIMP get_TheaterMode(VARIANT_BOOL* value) override;
  STDMETHODIMP put_TheaterMode(VARIANT_BOOL value) override;
  STDMETHODIMP get_AddressBar(VARIANT_BOOL* value) override;
  STDMETHODIMP put_AddressBar(VARIANT_BOOL value) override;
  STDMETHODIMP get_Resizable(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Resizable(VARIANT_BOOL value) override;

 private:
  ~BrowserStandIn() = default;
  HRESULT NotImplemented(const char* method);

  std::atomic<ULONG> references_{1};
  HostFrame& frame_;
  bool attached_ = true;
};

}  // namespace pq::bandhost
