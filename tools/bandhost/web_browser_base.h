#pragma once
// An IWebBrowser2 that refuses every call through one overridable hook, with
// real reference counting: the base of the band host's stand-in browser and of
// the tests' recording browsers, which override only the calls they serve.
#include <exdisp.h>
#include <windows.h>

namespace pq::bandhost {

class WebBrowserBase : public IWebBrowser2 {
 public:
  virtual ~WebBrowserBase() = default;
  ULONG references() const { return references_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IWebBrowser) || IsEqualIID(riid, IID_IWebBrowserApp) ||
        IsEqualIID(riid, IID_IWebBrowser2)) {
      *object = static_cast<IWebBrowser2*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

 protected:
  // What every call that is not overridden answers.
  virtual HRESULT NotImplemented(const char* /*method*/) { return E_NOTIMPL; }

 private:
  // A refused call leaves no stale pointer in an out-parameter.
  template <typename T>
  HRESULT Refuse(const char* method, T** out) {
    if (out) *out = nullptr;
    return NotImplemented(method);
  }
  HRESULT Refuse(const char* method, BSTR* out) {
    if (out) *out = nullptr;
    return NotImplemented(method);
  }

 public:
  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return NotImplemented("GetTypeInfoCount");
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    return Refuse("GetTypeInfo", info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return NotImplemented("GetIDsOfNames");
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return NotImplemented("Invoke");
  }
  // IWebBrowser
  STDMETHODIMP GoBack() override { return NotImplemented("GoBack"); }
  STDMETHODIMP GoForward() override { return NotImplemented("GoForward"); }
  STDMETHODIMP GoHome() override { return NotImplemented("GoHome"); }
  STDMETHODIMP GoSearch() override { return NotImplemented("GoSearch"); }
  STDMETHODIMP Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    return NotImplemented("Navigate");
  }
  STDMETHODIMP Refresh() override { return NotImplemented("Refresh"); }
  STDMETHODIMP Refresh2(VARIANT*) override { return NotImplemented("Refresh2"); }
  STDMETHODIMP Stop() override { return NotImplemented("Stop"); }
  STDMETHODIMP get_Application(IDispatch** value) override {
    return Refuse("get_Application", value);
  }
  STDMETHODIMP get_Parent(IDispatch** value) override { return Refuse("get_Parent", value); }
  STDMETHODIMP get_Container(IDispatch** value) override { return Refuse("get_Container", value); }
  STDMETHODIMP get_Document(IDispatch** value) override { return Refuse("get_Document", value); }
  STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL*) override {
    return NotImplemented("get_TopLevelContainer");
  }
  STDMETHODIMP get_Type(BSTR* value) override { return Refuse("get_Type", value); }
  STDMETHODIMP get_Left(LONG*) override { return NotImplemented("get_Left"); }
  STDMETHODIMP put_Left(LONG) override { return NotImplemented("put_Left"); }
  STDMETHODIMP get_Top(LONG*) override { return NotImplemented("get_Top"); }
  STDMETHODIMP put_Top(LONG) override { return NotImplemented("put_Top"); }
  STDMETHODIMP get_Width(LONG*) override { return NotImplemented("get_Width"); }
  STDMETHODIMP put_Width(LONG) override { return NotImplemented("put_Width"); }
  STDMETHODIMP get_Height(LONG*) override { return NotImplemented("get_Height"); }
  STDMETHODIMP put_Height(LONG) override { return NotImplemented("put_Height"); }
  STDMETHODIMP get_LocationName(BSTR* value) override { return Refuse("get_LocationName", value); }
  STDMETHODIMP get_LocationURL(BSTR* value) override { return Refuse("get_LocationURL", value); }
  STDMETHODIMP get_Busy(VARIANT_BOOL*) override { return NotImplemented("get_Busy"); }
  // IWebBrowserApp
  STDMETHODIMP Quit() override { return NotImplemented("Quit"); }
  STDMETHODIMP ClientToWindow(int*, int*) override { return NotImplemented("ClientToWindow"); }
  STDMETHODIMP PutProperty(BSTR, VARIANT) override { return NotImplemented("PutProperty"); }
  STDMETHODIMP GetProperty(BSTR, VARIANT*) override { return NotImplemented("GetProperty"); }
  STDMETHODIMP get_Name(BSTR* value) override { return Refuse("get_Name", value); }
  STDMETHODIMP get_HWND(SHANDLE_PTR*) override { return NotImplemented("get_HWND"); }
  STDMETHODIMP get_FullName(BSTR* value) override { return Refuse("get_FullName", value); }
  STDMETHODIMP get_Path(BSTR* value) override { return Refuse("get_Path", value); }
  STDMETHODIMP get_Visible(VARIANT_BOOL*) override { return NotImplemented("get_Visible"); }
  STDMETHODIMP put_Visible(VARIANT_BOOL) override { return NotImplemented("put_Visible"); }
  STDMETHODIMP get_StatusBar(VARIANT_BOOL*) override { return NotImplemented("get_StatusBar"); }
  STDMETHODIMP put_StatusBar(VARIANT_BOOL) override { return NotImplemented("put_StatusBar"); }
  STDMETHODIMP get_StatusText(BSTR* value) override { return Refuse("get_StatusText", value); }
  STDMETHODIMP put_StatusText(BSTR) override { return NotImplemented("put_StatusText"); }
  STDMETHODIMP get_ToolBar(int*) override { return NotImplemented("get_ToolBar"); }
  STDMETHODIMP put_ToolBar(int) override { return NotImplemented("put_ToolBar"); }
  STDMETHODIMP get_MenuBar(VARIANT_BOOL*) override { return NotImplemented("get_MenuBar"); }
  STDMETHODIMP put_MenuBar(VARIANT_BOOL) override { return NotImplemented("put_MenuBar"); }
  STDMETHODIMP get_FullScreen(VARIANT_BOOL*) override { return NotImplemented("get_FullScreen"); }
  STDMETHODIMP put_FullScreen(VARIANT_BOOL) override { return NotImplemented("put_FullScreen"); }
  // IWebBrowser2
  STDMETHODIMP Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    return NotImplemented("Navigate2");
  }
  STDMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) override {
    return NotImplemented("QueryStatusWB");
  }
  STDMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override {
    return NotImplemented("ExecWB");
  }
  STDMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override {
    return NotImplemented("ShowBrowserBar");
  }
  STDMETHODIMP get_ReadyState(READYSTATE*) override { return NotImplemented("get_ReadyState"); }
  STDMETHODIMP get_Offline(VARIANT_BOOL*) override { return NotImplemented("get_Offline"); }
  STDMETHODIMP put_Offline(VARIANT_BOOL) override { return NotImplemented("put_Offline"); }
  STDMETHODIMP get_Silent(VARIANT_BOOL*) override { return NotImplemented("get_Silent"); }
  STDMETHODIMP put_Silent(VARIANT_BOOL) override { return NotImplemented("put_Silent"); }
  STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) override {
    return NotImplemented("get_RegisterAsBrowser");
  }
  STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override {
    return NotImplemented("put_RegisterAsBrowser");
  }
  STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) override {
    return NotImplemented("get_RegisterAsDropTarget");
  }
  STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override {
    return NotImplemented("put_RegisterAsDropTarget");
  }
  STDMETHODIMP get_TheaterMode(VARIANT_BOOL*) override { return NotImplemented("get_TheaterMode"); }
  STDMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return NotImplemented("put_TheaterMode"); }
  STDMETHODIMP get_AddressBar(VARIANT_BOOL*) override { return NotImplemented("get_AddressBar"); }
  STDMETHODIMP put_AddressBar(VARIANT_BOOL) override { return NotImplemented("put_AddressBar"); }
  STDMETHODIMP get_Resizable(VARIANT_BOOL*) override { return NotImplemented("get_Resizable"); }
  STDMETHODIMP put_Resizable(VARIANT_BOOL) override { return NotImplemented("put_Resizable"); }

 private:
  LONG references_ = 1;
};

}  // namespace pq::bandhost
