#include "win32/flash_player_control.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "win32/com_object.h"
#include "win32/com_support.h"
#include "win32/handles.h"
#include "win32/modules.h"
#include "win32/screen_dpi.h"
#include "win32/this_module.h"
#include "win32/win32_system.h"

namespace pq::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// The player control's class, and the events it publishes.
constexpr CLSID kPlayerClassId = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr wchar_t kPlayerClassText[] = L"{D27CDB6E-AE6D-11cf-96B8-444553540000}";
constexpr IID kPlayerEventsId = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr DISPID kMovieDispId = 102;

constexpr wchar_t kHostWindowClass[] = L"AtlAxWin";

// The control hosting of atl.dll, which Windows and Wine both ship. It stays
// loaded for the rest of the process once loaded: the window class it
// registers points into it, and may outlive any one player.
struct AtlHosting {
  using WinInitFn = BOOL(WINAPI*)();
  using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
  WinInitFn WinInit = nullptr;
  GetControlFn GetControl = nullptr;
  DWORD load_error = 0;
};

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const AtlHosting& Atl() {
  static const AtlHosting hosting = [] {
    AtlHosting loaded;
    HMODULE module = LoadSystemLibrary(L"atl.dll");
    if (!module) {
      loaded.load_error = GetLastError();
      return loaded;
    }
    loaded.WinInit = Export<AtlHosting::WinInitFn>(module, "AtlAxWinInit");
    loaded.GetControl = Export<AtlHosting::GetControlFn>(module, "AtlAxGetControl");
    if (!loaded.WinInit || !loaded.GetControl) loaded.load_error = ERROR_PROC_NOT_FOUND;
    return loaded;
  }();
  return hosting;
}

[[noreturn]] void RaiseSystemError(DWORD code) {
  throw Error(Win32SystemMessages().MessageFor(code));
}

// A BSTR as UTF-8, NULs inside it included.
std::string TextFromBstr(BSTR wide) {
  return Utf8(std::wstring_view(wide, SysStringLen(wide)));
}

// Makes the host window class known to this thread's windows.
void RegisterHostClass() {
  const AtlHosting& atl = Atl();
  if (atl.load_error) RaiseSystemError(atl.load_error);
  // Some versions refuse a second registration of the class, and say so
  // with FALSE; the class is there all the same.
  WNDCLASSEXW known{};
  known.cbSize = sizeof known;
  if (!atl.WinInit() && !GetClassInfoExW(GetModuleHandleW(nullptr), kHostWindowClass, &known))
    RaiseSystemError(GetLastError());
}

// The identifier of the control's default event interface: from the control
// itself where it tells it, else from its type information, else the one the
// player is known to publish.
IID EventsInterface(IUnknown* control) {
  ComPtr<IProvideClassInfo2> info2;
  IID events{};
  if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&info2))) &&
      SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events)))
    return events;
  ComPtr<IProvideClassInfo> info;
  ComPtr<ITypeInfo> coclass;
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&info))) &&
      SUCCEEDED(info->GetClassInfo(&coclass)) && SUCCEEDED(coclass->GetTypeAttr(&attributes))) {
    bool found = false;
    for (UINT i = 0; i < attributes->cImplTypes && !found; ++i) {
      INT flags = 0;
      HREFTYPE reference = 0;
      ComPtr<ITypeInfo> source;
      TYPEATTR* source_attributes = nullptr;
      if (SUCCEEDED(coclass->GetImplTypeFlags(i, &flags)) &&
          (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) ==
              (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) &&
          SUCCEEDED(coclass->GetRefTypeOfImplType(i, &reference)) &&
          SUCCEEDED(coclass->GetRefTypeInfo(reference, &source)) &&
          SUCCEEDED(source->GetTypeAttr(&source_attributes))) {
        events = source_attributes->guid;
        source->ReleaseTypeAttr(source_attributes);
        found = true;
      }
    }
    coclass->ReleaseTypeAttr(attributes);
    if (found) return events;
  }
  return kPlayerEventsId;
}

class Win32FlashPlayer;

// Receives the control's events and hands the ready-state changes to its
// player. The connection point holds it; it holds no reference to the
// player, which detaches it before it goes.
class EventSink final : public ComObject<EventSink, IDispatch> {
 public:
  EventSink(Win32FlashPlayer* player, const IID& events) : player_(player), events_(events) {}
  void Detach() { player_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                   VARIANT*, EXCEPINFO* exception, UINT*) override;

 private:
  friend ComObject;
  // The control calls through its own event interface, a dispatch interface.
  void* OtherInterface(REFIID iid) {
    return IsEqualIID(iid, events_) ? static_cast<IDispatch*>(this) : nullptr;
  }

  Win32FlashPlayer* player_;
  const IID events_;
};

class Win32FlashPlayer final : public FlashPlayer {
 public:
  explicit Win32FlashPlayer(HWND banner_area) : dpi_(ScreenDpi()) {
    RegisterHostClass();
    // Hidden until the banner asks for it; the host creates the control
    // named by its window text.
    host_.reset(CreateWindowExW(0, kHostWindowClass, kPlayerClassText,
                                WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, Scale(105),
                                Scale(22), banner_area, nullptr, ThisModule(), nullptr));
    ComPtr<IUnknown> control;
    if (host_) Atl().GetControl(host_.get(), &control);
    if (!control) {
      host_.reset();
      throw Error(MessageForHResult(WhyNoControl()));
    }
    CheckHResult(control.As(&player_));

    ComPtr<IConnectionPointContainer> points;
    CheckHResult(control.As(&points));
    const IID events = EventsInterface(control.Get());
    CheckHResult(points->FindConnectionPoint(events, &events_point_));
    // A new sink holds its first reference; this build's Attach would add one more.
    *sink_.ReleaseAndGetAddressOf() = new EventSink(this, events);
    CheckHResult(events_point_->Advise(sink_.Get(), &cookie_));
  }

  ~Win32FlashPlayer() override {
    if (events_point_ && cookie_) events_point_->Unadvise(cookie_);
    if (sink_) sink_->Detach();
    events_point_.Reset();
    player_.Reset();
    // Destroying the host closes the control and lets it go.
    host_.reset();
  }

  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override {
    MoveWindow(host_.get(), Scale(left), Scale(top), Scale(width), Scale(height), TRUE);
  }

  void SetTabOrder(int32_t order) override {
    // A child's place in the tab order is its place among its siblings.
    std::vector<HWND> siblings;
    for (HWND child = GetWindow(GetParent(host_.get()), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
      if (child != host_.get()) siblings.push_back(child);
    HWND after = HWND_TOP;
    if (order > 0)
      after = static_cast<size_t>(order) <= siblings.size() ? siblings[order - 1] : HWND_BOTTOM;
    SetWindowPos(host_.get(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void SetVisible(bool visible) override { ShowWindow(host_.get(), visible ? SW_SHOWNA : SW_HIDE); }

  void Stop() override { CallMethod(L"Stop"); }
  void Play() override { CallMethod(L"Play"); }

  void SetMovie(const std::string& url) override {
    const Bstr address(url);
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = address.get();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&value, &named, 1, 1};
    Invoke(kMovieDispId, DISPATCH_PROPERTYPUT, parameters);
  }

  void ReadyStateChanged(int32_t state) {
    if (OnReadyStateChange) OnReadyStateChange(*this, state);
  }

 private:
  int Scale(int design) const { return ScaleForDpi(design, dpi_); }

  void CallMethod(const wchar_t* name) {
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID member = DISPID_UNKNOWN;
    const HRESULT hr = player_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    CheckHResult(hr);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Invoke(member, DISPATCH_METHOD, none);
  }

  void Invoke(DISPID member, WORD kind, DISPPARAMS& parameters) {
    EXCEPINFO exception{};
    UINT wrong_argument = 0;
    const HRESULT hr = player_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                                       nullptr, &exception, &wrong_argument);
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn)
      exception.pfnDeferredFillIn(&exception);
    // The control's own description says more than the generic code.
    const std::string description = TextFromBstr(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && !description.empty()) throw Error(description);
    CheckHResult(hr);
  }

  // The host window tells only that it holds no control; asking for one
  // directly tells why.
  static HRESULT WhyNoControl() {
    ComPtr<IOleObject> control;
    const HRESULT hr =
        CoCreateInstance(kPlayerClassId, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&control));
    return FAILED(hr) ? hr : E_FAIL;
  }

  const int dpi_;
  unique_hwnd host_;
  ComPtr<IDispatch> player_;
  ComPtr<IConnectionPoint> events_point_;
  ComPtr<EventSink> sink_;
  DWORD cookie_ = 0;
};

HRESULT EventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                          EXCEPINFO* exception, UINT*) {
  if (member != DISPID_READYSTATECHANGE || !player_) return S_OK;
  if (!parameters || parameters->cArgs < 1) return DISP_E_BADPARAMCOUNT;
  // The first argument is the last in the array.
  VARIANT state;
  VariantInit(&state);
  HRESULT hr = VariantChangeType(&state, &parameters->rgvarg[parameters->cArgs - 1], 0, VT_I4);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  try {
    player_->ReadyStateChanged(V_I4(&state));
  } catch (const std::exception& error) {
    if (exception) {
      *exception = EXCEPINFO{};
      const std::wstring description = Wide(error.what());
      exception->bstrDescription =
          SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    }
    return DISP_E_EXCEPTION;
  } catch (...) {
    return ResultFromCaughtException();
  }
  return S_OK;
}

}  // namespace

std::unique_ptr<FlashPlayer> CreateWin32FlashPlayer(HWND banner_area) {
  return std::make_unique<Win32FlashPlayer>(banner_area);
}

}  // namespace pq::win32
