#pragma once
// What accessibility tools see of the toolbar window's client area: the
// system's own view of it (its child, the toolbar control, with its buttons),
// and, while it shows, the chevron as a menu button of its own. The window
// draws the chevron itself; without this a screen reader would find no way to
// the items that do not fit.
#include <oleacc.h>
#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>

#include "win32/com_object.h"

namespace pq::win32 {

struct ChevronView {
  RECT screen{};  // empty while every button fits
  bool hot = false;
  bool pressed = false;
  // The browser's window takes input: a dialog of the toolbar's disables it.
  bool available = true;
};

class ChevronAccessible final : public ComObject<ChevronAccessible, IAccessible, IOleWindow> {
 public:
  // The window's client object answered to WM_GETOBJECT, or 0 when the
  // system's accessibility library is missing.
  static LRESULT Answer(Microsoft::WRL::ComPtr<ChevronAccessible>& kept, HWND window,
                        WPARAM flags, std::function<ChevronView()> view);
  // Objects that clients still hold: the module stays loaded while one lives.
  static long Live() { return live_.load(); }

  // The chevron's child number while it shows, else 0.
  long ChevronChild();
  // The window is going: later calls find no chevron.
  void Detach() { view_ = nullptr; }

  // IDispatch, as the system's view answers it.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters,
                      VARIANT* result, EXCEPINFO* exception, UINT* argument) override;

  // IAccessible
  STDMETHODIMP get_accParent(IDispatch** parent) override;
  STDMETHODIMP get_accChildCount(long* count) override;
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** dispatch) override;
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  STDMETHODIMP get_accFocus(VARIANT* focus) override;
  STDMETHODIMP get_accSelection(VARIANT* selection) override;
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
  STDMETHODIMP accSelect(long flags, VARIANT child) override;
  STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                           VARIANT child) override;
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
  STDMETHODIMP accHitTest(long left, long top, VARIANT* child) override;
  STDMETHODIMP accDoDefaultAction(VARIANT child) override;
  STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  friend ComObject;
  ChevronAccessible(HWND window, Microsoft::WRL::ComPtr<IAccessible> standard,
                    std::function<ChevronView()> view);
  ~ChevronAccessible();
  void* OtherInterface(REFIID riid) {
    return IsEqualIID(riid, IID_IDispatch) ? static_cast<IAccessible*>(this) : nullptr;
  }

  bool IsChevron(const VARIANT& child);
  ChevronView View() const { return view_ ? view_() : ChevronView{}; }

  static std::atomic<long> live_;
  HWND window_;
  Microsoft::WRL::ComPtr<IAccessible> standard_;
  std::function<ChevronView()> view_;
};

}  // namespace pq::win32
