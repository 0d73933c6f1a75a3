#include "win32/chevron_accessible.h"

#include <commctrl.h>

#include <utility>

namespace pq::win32 {
namespace {

using Microsoft::WRL::ComPtr;

using CreateStandardFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using ResultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

// The accessibility library is loaded when a client first asks, not with
// the module: most windows are never asked. It stays loaded, as the
// system's objects it made for clients live in it.
struct AccessibilityLibrary {
  CreateStandardFn create_standard = nullptr;
  ResultFromObjectFn result_from_object = nullptr;
};

const AccessibilityLibrary& Library() {
  static const AccessibilityLibrary library = [] {
    AccessibilityLibrary loaded;
    if (const HMODULE module = LoadLibraryW(L"oleacc.dll")) {
      loaded.create_standard = reinterpret_cast<CreateStandardFn>(
          reinterpret_cast<void (*)()>(GetProcAddress(module, "CreateStdAccessibleObject")));
      loaded.result_from_object = reinterpret_cast<ResultFromObjectFn>(
          reinterpret_cast<void (*)()>(GetProcAddress(module, "LresultFromObject")));
    }
    return loaded;
  }();
  return library;
}

// The words are the system's own for a rebar's chevron and a menu button.
constexpr wchar_t kChevronName[] = L"Chevron";
constexpr wchar_t kOpenAction[] = L"Open";

HRESULT Text(const wchar_t* text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NoText(BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_FALSE;
}

HRESULT Number(long value, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

}  // namespace

std::atomic<long> ChevronAccessible::live_{0};

LRESULT ChevronAccessible::Answer(ComPtr<ChevronAccessible>& kept, HWND window, WPARAM flags,
                                  std::function<ChevronView()> view) {
  const AccessibilityLibrary& library = Library();
  if (!library.create_standard || !library.result_from_object) return 0;
  if (!kept) {
    ComPtr<IAccessible> standard;
    if (FAILED(library.create_standard(window, OBJID_CLIENT, IID_PPV_ARGS(&standard))))
      return 0;
    // The new object's first reference is kept's.
    *kept.ReleaseAndGetAddressOf() =
        new ChevronAccessible(window, std::move(standard), std::move(view));
  }
  // A failure (a thread without COM, say) leaves the client the system's
  // own view rather than none.
  const LRESULT reference =
      library.result_from_object(IID_IAccessible, flags, static_cast<IAccessible*>(kept.Get()));
  return reference > 0 ? reference : 0;
}

ChevronAccessible::ChevronAccessible(HWND window, ComPtr<IAccessible> standard,
                                     std::function<ChevronView()> view)
    : window_(window), standard_(std::move(standard)), view_(std::move(view)) {
  ++live_;
}

ChevronAccessible::~ChevronAccessible() { --live_; }

long ChevronAccessible::ChevronChild() {
  const RECT place = View().screen;
  if (IsRectEmpty(&place)) return 0;
  long children = 0;
  if (FAILED(standard_->get_accChildCount(&children))) return 0;
  return children + 1;
}

bool ChevronAccessible::IsChevron(const VARIANT& child) {
  if (child.vt != VT_I4 || child.lVal == CHILDID_SELF) return false;
  const long chevron = ChevronChild();
  return chevron != 0 && child.lVal == chevron;
}

STDMETHODIMP ChevronAccessible::GetTypeInfoCount(UINT* count) {
  return standard_->GetTypeInfoCount(count);
}

STDMETHODIMP ChevronAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
  return standard_->GetTypeInfo(index, locale, info);
}

STDMETHODIMP ChevronAccessible::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                              LCID locale, DISPID* ids) {
  return standard_->GetIDsOfNames(riid, names, count, locale, ids);
}

STDMETHODIMP ChevronAccessible::Invoke(DISPID member, REFIID riid, LCID locale, WORD flags,
                                       DISPPARAMS* parameters, VARIANT* result,
                                       EXCEPINFO* exception, UINT* argument) {
  return standard_->Invoke(member, riid, locale, flags, parameters, result, exception, argument);
}

STDMETHODIMP ChevronAccessible::get_accParent(IDispatch** parent) {
  return standard_->get_accParent(parent);
}

STDMETHODIMP ChevronAccessible::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  const long chevron = ChevronChild();
  if (chevron != 0) {
    *count = chevron;
    return S_OK;
  }
  return standard_->get_accChildCount(count);
}

STDMETHODIMP ChevronAccessible::get_accChild(VARIANT child, IDispatch** dispatch) {
  if (!IsChevron(child)) return standard_->get_accChild(child, dispatch);
  // A simple element: its parent answers for it.
  if (!dispatch) return E_POINTER;
  *dispatch = nullptr;
  return S_FALSE;
}

STDMETHODIMP ChevronAccessible::get_accName(VARIANT child, BSTR* name) {
  return IsChevron(child) ? Text(kChevronName, name) : standard_->get_accName(child, name);
}

STDMETHODIMP ChevronAccessible::get_accValue(VARIANT child, BSTR* value) {
  return IsChevron(child) ? NoText(value) : standard_->get_accValue(child, value);
}

STDMETHODIMP ChevronAccessible::get_accDescription(VARIANT child, BSTR* description) {
  return IsChevron(child) ? NoText(description)
                          : standard_->get_accDescription(child, description);
}

STDMETHODIMP ChevronAccessible::get_accRole(VARIANT child, VARIANT* role) {
  return IsChevron(child) ? Number(ROLE_SYSTEM_BUTTONMENU, role)
                          : standard_->get_accRole(child, role);
}

STDMETHODIMP ChevronAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (!IsChevron(child)) return standard_->get_accState(child, state);
  const ChevronView view = View();
  long flags = STATE_SYSTEM_HASPOPUP;
  if (view.pressed) flags |= STATE_SYSTEM_PRESSED;
  if (view.hot) flags |= STATE_SYSTEM_HOTTRACKED;
  if (!IsWindowVisible(window_)) flags |= STATE_SYSTEM_INVISIBLE;
  if (!view.available) flags |= STATE_SYSTEM_UNAVAILABLE;
  return Number(flags, state);
}

STDMETHODIMP ChevronAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return IsChevron(child) ? NoText(help) : standard_->get_accHelp(child, help);
}

STDMETHODIMP ChevronAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
  if (!IsChevron(child)) return standard_->get_accHelpTopic(file, child, topic);
  if (topic) *topic = 0;
  return NoText(file);
}

STDMETHODIMP ChevronAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return IsChevron(child) ? NoText(shortcut) : standard_->get_accKeyboardShortcut(child, shortcut);
}

STDMETHODIMP ChevronAccessible::get_accFocus(VARIANT* focus) {
  return standard_->get_accFocus(focus);
}

STDMETHODIMP ChevronAccessible::get_accSelection(VARIANT* selection) {
  return standard_->get_accSelection(selection);
}

STDMETHODIMP ChevronAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  return IsChevron(child) ? Text(kOpenAction, action)
                          : standard_->get_accDefaultAction(child, action);
}

STDMETHODIMP ChevronAccessible::accSelect(long flags, VARIANT child) {
  return IsChevron(child) ? DISP_E_MEMBERNOTFOUND : standard_->accSelect(flags, child);
}

STDMETHODIMP ChevronAccessible::accLocation(long* left, long* top, long* width, long* height,
                                            VARIANT child) {
  if (!IsChevron(child)) return standard_->accLocation(left, top, width, height, child);
  if (!left || !top || !width || !height) return E_POINTER;
  const RECT place = View().screen;
  *left = place.left;
  *top = place.top;
  *width = place.right - place.left;
  *height = place.bottom - place.top;
  return S_OK;
}

STDMETHODIMP ChevronAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  const long chevron = ChevronChild();
  const bool from_chevron = chevron != 0 && start.vt == VT_I4 && start.lVal == chevron;
  const bool from_self = start.vt == VT_I4 && start.lVal == CHILDID_SELF;
  // The chevron comes last, after the window's own children.
  const bool to_chevron =
      chevron != 0 && ((from_self && direction == NAVDIR_LASTCHILD) ||
                       (start.vt == VT_I4 && start.lVal == chevron - 1 && chevron > 1 &&
                        (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT)));
  if (!from_chevron && !to_chevron) return standard_->accNavigate(direction, start, end);
  if (!end) return E_POINTER;
  VariantInit(end);
  if (to_chevron) return Number(chevron, end);
  if ((direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT) && chevron > 1)
    return Number(chevron - 1, end);
  return S_FALSE;
}

STDMETHODIMP ChevronAccessible::accHitTest(long left, long top, VARIANT* child) {
  const RECT place = View().screen;
  const long chevron = ChevronChild();
  if (chevron != 0 && PtInRect(&place, POINT{left, top})) return Number(chevron, child);
  return standard_->accHitTest(left, top, child);
}

STDMETHODIMP ChevronAccessible::accDoDefaultAction(VARIANT child) {
  if (!IsChevron(child)) return standard_->accDoDefaultAction(child);
  if (!View().available) return E_FAIL;
  // The menu runs a loop of its own: the client is answered first.
  return PostMessageW(window_, RB_PUSHCHEVRON, 0, 0) ? S_OK : E_FAIL;
}

STDMETHODIMP ChevronAccessible::put_accName(VARIANT child, BSTR name) {
  return IsChevron(child) ? E_NOTIMPL : standard_->put_accName(child, name);
}

STDMETHODIMP ChevronAccessible::put_accValue(VARIANT child, BSTR value) {
  return IsChevron(child) ? E_NOTIMPL : standard_->put_accValue(child, value);
}

STDMETHODIMP ChevronAccessible::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}

}  // namespace pq::win32
