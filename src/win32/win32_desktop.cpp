#include "win32/win32_desktop.h"

#include <shellapi.h>
#include <wrl/client.h>

#include "win32/com_support.h"
#include "win32/modules.h"
#include "win32/protected_mode.h"

namespace pq::win32 {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kBrowserProgId[] = L"InternetExplorer.Application";
constexpr wchar_t kBrowserFrameClass[] = L"IEFrame";

// A failure of a call on the browser object, or of reaching its server; a
// disconnection means the browser is gone for good.
[[noreturn]] void RaiseCallFailure(HRESULT hr, const std::string& message) {
  if (IsDisconnection(hr)) throw BrowserGoneError(message);
  throw Error(message);
}

class DispatchBrowser final : public AutomationBrowser {
 public:
  explicit DispatchBrowser(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  void SetVisible(bool visible) override {
    Variant arg = Variant::Boolean(visible);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{arg.get(), &put, 1, 1};
    Invoke(L"Visible", DISPATCH_PROPERTYPUT, params);
  }

  void Navigate(const std::string& url) override {
    Variant address = Variant::Text(url);
    DISPPARAMS params{address.get(), nullptr, 1, 0};
    Invoke(L"Navigate", DISPATCH_METHOD, params);
  }

  std::uintptr_t Window() override {
    try {
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      Variant handle;
      Invoke(L"HWND", DISPATCH_PROPERTYGET, none, handle.get());
      if (FAILED(VariantChangeType(handle.get(), handle.get(), 0, VT_I8))) return 0;
      return static_cast<std::uintptr_t>(handle.get()->llVal);
    } catch (const Error&) {
      return 0;  // a browser that does not tell leaves the one found
    }
  }

 private:
  void Invoke(const wchar_t* name, WORD flags, DISPPARAMS& params, VARIANT* result = nullptr) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) RaiseCallFailure(hr, MessageForHResult(hr));

    EXCEPINFO exception{};
    UINT bad_argument = 0;
    Variant ignored;
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                           result ? result : ignored.get(), &exception, &bad_argument);
    if (hr == DISP_E_EXCEPTION) {
      // The server's own description says more than the generic code.
      if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
      std::string message;
      if (exception.bstrDescription)
        message = Utf8(std::wstring_view(exception.bstrDescription,
                                         SysStringLen(exception.bstrDescription)));
      const HRESULT code = exception.scode ? exception.scode : hr;
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      RaiseCallFailure(code, message.empty() ? MessageForHResult(code) : message);
    }
    if (FAILED(hr)) RaiseCallFailure(hr, MessageForHResult(hr));
  }

  ComPtr<IDispatch> dispatch_;
};

}  // namespace

std::unique_ptr<AutomationBrowser> Win32Desktop::CreateBrowser() {
  CLSID class_id;
  CheckHResult(CLSIDFromProgID(kBrowserProgId, &class_id));
  ComPtr<IDispatch> dispatch;
  // A browser whose last window just closed is still registered while it
  // ends: the new instance is asked of that server, which is gone by the time
  // it answers.
  const HRESULT hr = CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                      IID_PPV_ARGS(&dispatch));
  if (FAILED(hr)) RaiseCallFailure(hr, MessageForHResult(hr));
  return std::make_unique<DispatchBrowser>(std::move(dispatch));
}

WindowId Win32Desktop::FindBrowserFrame() {
  return reinterpret_cast<WindowId>(FindWindowW(kBrowserFrameClass, nullptr));
}

void Win32Desktop::BringToFront(WindowId window) {
  SetForegroundWindow(reinterpret_cast<HWND>(window));
}

void Win32Desktop::HyperlinkNavigate(const std::string& url) {
  // urlmon exports the service; it is taken from the system directory only.
  // Two browser windows may ask at once on threads of their own.
  std::call_once(urlmon_loaded_,
                 [this]() noexcept { urlmon_.reset(LoadSystemLibrary(L"urlmon.dll")); });
  if (!urlmon_) return;
  using NavigateString = HRESULT(WINAPI*)(IUnknown*, LPCWSTR);
  FARPROC proc = GetProcAddress(urlmon_.get(), "HlinkNavigateString");
  if (!proc) return;
  auto navigate = reinterpret_cast<NavigateString>(reinterpret_cast<void (*)()>(proc));
  const std::wstring target = Wide(url);
  navigate(nullptr, target.c_str());
}

void Win32Desktop::OpenWithShell(const std::string& target) {
  ShellExecuteW(nullptr, nullptr, Wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string Win32Desktop::WindowsDirectory() { return win32::WindowsDirectory(); }

std::string Win32Desktop::ProgramDirectory() {
  const std::string path = ModuleFileName(nullptr);
  return path.substr(0, path.find_last_of('\\') + 1);
}

std::string Win32Desktop::UserDataFolder() { return WriteableUserDataFolder(); }

}  // namespace pq::win32
