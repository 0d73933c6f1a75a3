// A movie player stand-in: an in-process control with the player's class
// identifier (as the test registers it), its dispatch members Movie (102),
// Play and Stop, in-place activation in a host window, a drawing of itself,
// and one outgoing event interface on which it reports ready states 3 and 4
// a moment after its Movie is set, the way the player does once a movie has
// loaded. Everything it is asked goes into a log that the test reads.
#include "flash_stand_in.h"

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "win32/wide_text.h"

namespace {

// The player's published events; what the stand-in answers when it does not
// tell its own.
constexpr IID kPlayerEventsId = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// The stand-in's own events, told through IProvideClassInfo2.
constexpr IID kOwnEventsId = {
    0x6A0C8E31, 0x2B5D, 0x4F0E, {0x9C, 0x41, 0x7E, 0x15, 0x3D, 0x90, 0xA2, 0x58}};

constexpr DISPID kMovie = 102;
constexpr DISPID kPlay = 0x70;
constexpr DISPID kStop = 0x71;
constexpr UINT kFireMessage = WM_APP + 1;
constexpr char kEventWindowClass[] = "PqStandInEvents";
constexpr char kViewWindowClass[] = "PqStandInView";

std::mutex log_mutex;
std::string log_text;
std::string log_copy;
std::atomic<int> options{0};
std::atomic<long> objects{0};
HINSTANCE module_instance = nullptr;

void Log(const std::string& entry) {
  try {
    std::lock_guard lock(log_mutex);
    log_text += entry + "\n";
  } catch (...) {
  }
}

std::string Narrow(const wchar_t* wide, int length) {
  if (!wide || length <= 0) return std::string();
  return pq::win32::Utf8(std::wstring_view(wide, static_cast<size_t>(length)));
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    HBRUSH brush = CreateSolidBrush(RGB(0x30, 0x60, 0xC0));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK EventProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void RegisterClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA view{};
    view.lpfnWndProc = ViewProc;
    view.hInstance = module_instance;
    view.lpszClassName = kViewWindowClass;
    RegisterClassA(&view);
    WNDCLASSA events{};
    events.lpfnWndProc = EventProc;
    events.hInstance = module_instance;
    events.lpszClassName = kEventWindowClass;
    RegisterClassA(&events);
  });
}

class StandInPlayer;

// The one connection point; its references are the control's.
class EventsPoint final : public IConnectionPoint {
 public:
  EventsPoint(StandInPlayer& owner, const IID& events) : owner_(owner), events_(events) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
      *object = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(&dispatch))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = ++last_cookie_;
    sinks_[*cookie] = dispatch;
    Log("advise");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    const auto sink = sinks_.find(cookie);
    if (sink == sinks_.end()) return CONNECT_E_NOCONNECTION;
    sink->second->Release();
    sinks_.erase(sink);
    Log("unadvise");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
  }

  void Fire(LONG state) {
    std::vector<IDispatch*> sinks;
    for (const auto& [cookie, sink] : sinks_) {
      sink->AddRef();
      sinks.push_back(sink);
    }
    for (IDispatch* sink : sinks) {
      VARIANT argument;
      VariantInit(&argument);
      V_VT(&argument) = VT_I4;
      V_I4(&argument) = state;
      DISPPARAMS parameters{&argument, nullptr, 1, 0};
      sink->Invoke(DISPID_READYSTATECHANGE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                   &parameters, nullptr, nullptr, nullptr);
      sink->Release();
    }
    Log("fired " + std::to_string(state));
  }
  void ReleaseAll() {
    for (auto& [cookie, sink] : sinks_) sink->Release();
    sinks_.clear();
  }

 private:
  StandInPlayer& owner_;
  const IID events_;
  std::map<DWORD, IDispatch*> sinks_;
  DWORD last_cookie_ = 0;
};

class StandInPlayer final : public IDispatch,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IViewObject,
                            public IConnectionPointContainer,
                            public IProvideClassInfo2 {
 public:
  StandInPlayer()
      : events_(*this, options & STAND_IN_NO_CLASS_INFO ? kPlayerEventsId : kOwnEventsId),
        tells_class_info_(!(options & STAND_IN_NO_CLASS_INFO)) {
    ++objects;
    RegisterClasses();
    event_window_ = CreateWindowExA(0, kEventWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    module_instance, nullptr);
    SetWindowLongPtrA(event_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Log("create");
  }
  ~StandInPlayer() {
    DestroyWindow(event_window_);
    events_.ReleaseAll();
    if (view_) DestroyWindow(view_);
    if (site_) site_->Release();
    --objects;
    Log("destroy");
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch)
      *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IOleObject)
      *object = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
      *object = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IViewObject)
      *object = static_cast<IViewObject*>(this);
    else if (iid == IID_IConnectionPointContainer)
      *object = static_cast<IConnectionPointContainer*>(this);
    else if (tells_class_info_ && (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2))
      *object = static_cast<IProvideClassInfo2*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!names || !ids || count != 1) return E_INVALIDARG;
    if (!lstrcmpiW(names[0], L"Movie"))
      ids[0] = kMovie;
    else if (!lstrcmpiW(names[0], L"Play"))
      ids[0] = kPlay;
    else if (!lstrcmpiW(names[0], L"Stop"))
      ids[0] = kStop;
    else {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (member == kMovie && (kind & DISPATCH_PROPERTYPUT)) {
      if (!parameters || parameters->cArgs != 1 || parameters->cNamedArgs != 1 ||
          parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
        return DISP_E_BADPARAMCOUNT;
      const VARIANT& value = parameters->rgvarg[0];
      if (V_VT(&value) != VT_BSTR) return DISP_E_TYPEMISMATCH;
      movie_.assign(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
      Log("movie " + Narrow(movie_.data(), static_cast<int>(movie_.size())));
      // Loading takes a while; the states come later, from the message loop.
      PostMessageA(event_window_, kFireMessage, 0, 0);
      return S_OK;
    }
    if (member == kMovie && (kind & DISPATCH_PROPERTYGET)) {
      if (!result) return E_POINTER;
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocStringLen(movie_.data(), static_cast<UINT>(movie_.size()));
      return S_OK;
    }
    if ((member == kPlay || member == kStop) && (kind & DISPATCH_METHOD)) {
      if (parameters && parameters->cArgs != 0) return DISP_E_BADPARAMCOUNT;
      Log(member == kPlay ? "play" : "stop");
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    Log(site ? "site" : "no site");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = site_;
    if (site_) site_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    InPlaceDeactivate();
    Log("close");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent,
                                   LPCRECT place) override {
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE)
      return OLEOBJ_S_INVALIDVERB;
    if (view_) return S_OK;
    if (!site_ || FAILED(site_->QueryInterface(IID_IOleInPlaceSite,
                                               reinterpret_cast<void**>(&in_place_site_))))
      return E_UNEXPECTED;
    if (in_place_site_->CanInPlaceActivate() != S_OK) {
      in_place_site_->Release();
      in_place_site_ = nullptr;
      return E_UNEXPECTED;
    }
    in_place_site_->OnInPlaceActivate();
    const RECT area = place ? *place : RECT{0, 0, 0, 0};
    view_ = CreateWindowExA(0, kViewWindowClass, "", WS_CHILD | WS_VISIBLE, area.left, area.top,
                            area.right - area.left, area.bottom - area.top, parent, nullptr,
                            module_instance, nullptr);
    Log("activate");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* name) override {
    if (name) *name = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
    if (size) extent_ = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) override {
    if (connection) *connection = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override {
    if (advise) *advise = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = view_;
    return view_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
    if (view_) {
      DestroyWindow(view_);
      view_ = nullptr;
    }
    if (in_place_site_) {
      in_place_site_->OnInPlaceDeactivate();
      in_place_site_->Release();
      in_place_site_ = nullptr;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT place, LPCRECT) override {
    if (view_ && place)
      MoveWindow(view_, place->left, place->top, place->right - place->left,
                 place->bottom - place->top, TRUE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

  // IViewObject
  HRESULT STDMETHODCALLTYPE Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                 LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                 ULONG_PTR) override {
    if (!dc || !bounds) return E_INVALIDARG;
    const RECT area{static_cast<LONG>(bounds->left), static_cast<LONG>(bounds->top),
                    static_cast<LONG>(bounds->right), static_cast<LONG>(bounds->bottom)};
    HBRUSH brush = CreateSolidBrush(RGB(0x30, 0x60, 0xC0));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                        LOGPALETTE** palette) override {
    if (palette) *palette = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink** sink) override {
    if (sink) *sink = nullptr;
    return E_NOTIMPL;
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    IID events{};
    events_.GetConnectionInterface(&events);
    if (iid != events) {
      *point = nullptr;
      return CONNECT_E_NOCONNECTION;
    }
    *point = &events_;
    AddRef();
    return S_OK;
  }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    events_.GetConnectionInterface(guid);
    Log("events asked");
    return S_OK;
  }

  void FireLoaded() {
    AddRef();  // a sink may let the last other reference go
    events_.Fire(3);
    events_.Fire(4);
    Release();
  }

 private:
  std::atomic<ULONG> references_{1};
  EventsPoint events_;
  const bool tells_class_info_;
  IOleClientSite* site_ = nullptr;
  IOleInPlaceSite* in_place_site_ = nullptr;
  HWND view_ = nullptr;
  HWND event_window_ = nullptr;
  SIZEL extent_{0, 0};
  std::wstring movie_;
};

ULONG EventsPoint::AddRef() { return owner_.AddRef(); }
ULONG EventsPoint::Release() { return owner_.Release(); }
HRESULT EventsPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = &owner_;
  owner_.AddRef();
  return S_OK;
}

LRESULT CALLBACK EventProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kFireMessage) {
    auto* player = reinterpret_cast<StandInPlayer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (player) player->FireLoaded();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    StandInPlayer* player = new (std::nothrow) StandInPlayer();
    if (!player) return E_OUTOFMEMORY;
    const HRESULT hr = player->QueryInterface(iid, object);
    player->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) module_instance = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID, REFIID iid, void** object) {
  return factory.QueryInterface(iid, object);
}

// The test process keeps the module to read its log.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

extern "C" __declspec(dllexport) const char* __stdcall StandInLog() {
  std::lock_guard lock(log_mutex);
  log_copy = log_text;
  return log_copy.c_str();
}

extern "C" __declspec(dllexport) void __stdcall StandInReset(int new_options) {
  std::lock_guard lock(log_mutex);
  log_text.clear();
  options = new_options;
}

extern "C" __declspec(dllexport) long __stdcall StandInObjects() { return objects; }
