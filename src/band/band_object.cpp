#include "band/band_object.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "band/class_id.h"
#include "band/com_server.h"
#include "config/toolbar_config.h"
#include "nav/about_box.h"
#include "nav/navigation.h"
#include "platform/user_interface.h"
#include "win32/com_support.h"
#include "win32/win32_host_browser.h"
#include "win32/window_classes.h"

namespace pq::band {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kBandHeight = 25;
constexpr BOOL kFocusGained = -1;
constexpr BOOL kFocusLost = 0;
constexpr UINT kMenuItems = 4;

using win32::Guarded;

// The hosting browser as navigation and the toolbar window use it; none
// without one.
HostBrowserRef NavigatorOf(const ComPtr<IWebBrowser2>& browser) {
  if (!browser) return nullptr;
  return std::make_shared<win32::Win32HostBrowser>(browser);
}

}  // namespace

TTarnwick::TTarnwick(ComServer& server, Platform& platform, IUnknown* outer)
    : ComObject(&server), outer_(outer ? outer : &inner_), platform_(platform) {}

TTarnwick::~TTarnwick() {
  // The window's notification handler refers to this object: the window
  // must not outlive it.
  toolbar_window_.reset();
}

void* TTarnwick::OtherInterface(REFIID riid) {
  return IsEqualIID(riid, IID_IPersist) ? static_cast<IPersistStreamInit*>(this) : nullptr;
}

// The object's own identity: IUnknown is the inner unknown, every other
// interface delegates to the controlling unknown.
STDMETHODIMP TTarnwick::Inner::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  return self_.InternalQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) TTarnwick::Inner::AddRef() { return self_.AddReference(); }
STDMETHODIMP_(ULONG) TTarnwick::Inner::Release() { return self_.ReleaseReference(); }

STDMETHODIMP TTarnwick::QueryInterface(REFIID riid, void** ppv) {
  return outer_->QueryInterface(riid, ppv);
}
STDMETHODIMP_(ULONG) TTarnwick::AddRef() { return outer_->AddRef(); }
STDMETHODIMP_(ULONG) TTarnwick::Release() { return outer_->Release(); }

STDMETHODIMP TTarnwick::InterfaceSupportsErrorInfo(REFIID riid) {
  return Implements(riid) ? S_OK : S_FALSE;
}

// --- IObjectWithSite ---

STDMETHODIMP TTarnwick::SetSite(IUnknown* site) {
  return Guarded([&] {
    // A null site keeps what the previous one gave.
    if (!site) return S_OK;
    site_ = site;
    input_site_.Reset();
    site->QueryInterface(IID_PPV_ARGS(&input_site_));
    site_window_ = nullptr;
    ComPtr<IOleWindow> ole_window;
    if (SUCCEEDED(site->QueryInterface(IID_PPV_ARGS(&ole_window)))) {
      HWND window = nullptr;
      if (SUCCEEDED(ole_window->GetWindow(&window))) site_window_ = window;
    }
    command_target_.Reset();
    site->QueryInterface(IID_PPV_ARGS(&command_target_));
    host_browser_.Reset();
    ComPtr<IServiceProvider> services;
    if (command_target_ && SUCCEEDED(command_target_.As(&services))) {
      // Without the service the band navigates in a browser of its own.
      if (FAILED(services->QueryService(SID_SWebBrowserApp, IID_PPV_ARGS(&host_browser_))))
        host_browser_.Reset();
    }
    navigator_ = NavigatorOf(host_browser_);
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::GetSite(REFIID riid, void** site) {
  return Guarded([&] {
    if (!site) return E_POINTER;
    *site = nullptr;
    if (!site_) return E_FAIL;
    return site_->QueryInterface(riid, site);
  });
}

// --- IOleWindow, IDockingWindow ---

STDMETHODIMP TTarnwick::GetWindow(HWND* phwnd) {
  return Guarded([&] {
    if (!phwnd) return E_POINTER;
    // The window's start-up may show an error box, which runs the browser's
    // messages, among them the band's close and final Release: the band stays
    // until its window is in its hands, and takes it along when it goes.
    const ComPtr<IDeskBand> keep_alive(this);
    *phwnd = nullptr;
    if (!toolbar_window_ || !toolbar_window_->Handle()) {
      if (!site_window_) return E_FAIL;
      toolbar_window_.reset();
      // Another frame's thread may be building its toolbar at this moment.
      win32::PrepareSystemWindowClasses();
      // Built and laid out while hidden: the host places the window before
      // it shows the band, and the window is drawn once, where it belongs.
      auto window = std::make_unique<win32::ToolbarWindow>(site_window_, platform_,
                                                           win32::ToolbarWindow::Start::Hidden);
      // The window's creation has run; only now does it get its own copy of
      // the browser.
      window->SetHostBrowser(NavigatorOf(host_browser_));
      // A click on one of the window's controls claims the focus; the site
      // also hears when the keyboard focus comes into the window otherwise,
      // and when it leaves for the page or elsewhere: the browser then no
      // longer takes the band for the object that has it.
      window->SetFocusHandler([this](win32::ToolbarWindow::FocusEvent event) {
        using Event = win32::ToolbarWindow::FocusEvent;
        try {
          const ComPtr<IDeskBand> keep_alive(this);
          const bool has_focus = event != Event::Lost;
          if (event != Event::Clicked && has_focus_ == has_focus) return;
          has_focus_ = has_focus;
          NotifyFocusChange(has_focus);
        } catch (...) {
        }
      });
      toolbar_window_ = std::move(window);
      // A host that showed the band before it asked for the window sees it now.
      if (shown_) toolbar_window_->Show();
      // A row that the band's last size would clip asks the site for room.
      if (toolbar_window_->IdealHeight() > reported_height_) UpdateBandInfo();
    }
    *phwnd = toolbar_window_->Handle();
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP TTarnwick::ShowDW(BOOL show) {
  return Guarded([&] {
    // A window made later follows the host's last word; a window that is
    // there is shown, and hiding it is left to the host.
    const ComPtr<IDeskBand> keep_alive(this);  // showing may show an error box
    shown_ = show != FALSE;
    if (shown_ && toolbar_window_ && toolbar_window_->Handle()) toolbar_window_->Show();
    has_focus_ = show != FALSE;
    NotifyFocusChange(has_focus_);
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::CloseDW(DWORD) {
  return Guarded([&] {
    // The window's last writes may show an error box.
    const ComPtr<IDeskBand> keep_alive(this);
    // A window made after the band was closed waits to be shown again.
    shown_ = false;
    toolbar_window_.reset();
    // Without a window the band holds no focus, and the browser must not offer
    // it the keys.
    if (has_focus_) {
      has_focus_ = false;
      NotifyFocusChange(false);
    }
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::ResizeBorderDW(LPCRECT, IUnknown*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP TTarnwick::GetBandInfo(DWORD band_id, DWORD, DESKBANDINFO* info) {
  return Guarded([&] {
    band_id_ = band_id;
    if (!info) return E_INVALIDARG;
    // At a higher resolution the toolbar's row needs more than the band's
    // height at 96 dots per inch.
    const LONG height = std::max<LONG>(kBandHeight, toolbar_window_ && toolbar_window_->Handle()
                                                        ? toolbar_window_->IdealHeight()
                                                        : 0);
    reported_height_ = height;
    if (info->dwMask & DBIM_MINSIZE) {
      info->ptMinSize.x = GetSystemMetrics(SM_CXSCREEN) - 20;
      info->ptMinSize.y = height;
    }
    if (info->dwMask & DBIM_MAXSIZE) info->ptMaxSize = {-1, height};
    if (info->dwMask & DBIM_INTEGRAL) info->ptIntegral = {1, 1};
    if (info->dwMask & DBIM_ACTUAL) info->ptActual = {-1, height};
    // No title, and the host's own background.
    info->dwMask &= ~static_cast<DWORD>(DBIM_TITLE);
    if (info->dwMask & DBIM_MODEFLAGS) info->dwModeFlags = DBIMF_DEBOSSED;
    info->dwMask &= ~static_cast<DWORD>(DBIM_BKCOLOR);
    return S_OK;
  });
}

// --- IInputObject ---

namespace {

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// A key the browser acts on that the search field does nothing with: the
// function keys but F4 (the list's), the keyboard's browser keys, Alt alone
// (the menu bar) or with anything but Up and Down (the list's again), and
// Ctrl with a key that no edit field uses (Ctrl+L, Ctrl+T, Ctrl+W, ...).
bool IsBrowserShortcut(const MSG& msg) {
  const auto key = static_cast<UINT>(msg.wParam);
  switch (msg.message) {
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      return key != VK_UP && key != VK_DOWN;
    case WM_SYSCHAR:
      return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
      break;
    default:
      return false;
  }
  if (key >= VK_F1 && key <= VK_F24) return key != VK_F4;
  if (key >= VK_BROWSER_BACK && key <= VK_BROWSER_HOME) return true;
  if (!KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return false;
  static constexpr UINT kEditingWithCtrl[] = {'A', 'C', 'V', 'X', 'Y', 'Z', VK_INSERT, VK_BACK,
                                             VK_DELETE, VK_LEFT, VK_RIGHT, VK_HOME, VK_END,
                                             VK_UP, VK_DOWN, VK_CONTROL, VK_SHIFT};
  return std::find(std::begin(kEditingWithCtrl), std::end(kEditingWithCtrl), key) ==
         std::end(kEditingWithCtrl);
}

}  // namespace

STDMETHODIMP TTarnwick::UIActivateIO(BOOL activate, MSG*) {
  return Guarded([&] {
    if (!activate) {
      has_focus_ = false;
      return S_OK;
    }
    // The focus goes to the search box, through the window; a window that is
    // missing, hidden or disabled cannot take it, and the band does not claim it.
    HWND window = toolbar_window_ ? toolbar_window_->Handle() : nullptr;
    has_focus_ = window && IsWindowVisible(window) && IsWindowEnabled(window);
    if (has_focus_) SetFocus(window);
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::HasFocusIO() { return has_focus_ ? S_OK : S_FALSE; }

STDMETHODIMP TTarnwick::TranslateAcceleratorIO(MSG* msg) {
  return Guarded([&] {
    if (!msg) return E_POINTER;
    // Tab is the host's: it moves the focus between its own parts.
    if (msg->wParam == VK_TAB) return S_FALSE;
    // A keystroke for another window, the page's, is the browser's to act on
    // and deliver; so are its own shortcuts, which the search field has no
    // use for: a key answered S_OK is one the browser leaves alone.
    const HWND window = toolbar_window_ ? toolbar_window_->Handle() : nullptr;
    if (!window || !msg->hwnd || (msg->hwnd != window && !IsChild(window, msg->hwnd)) ||
        IsBrowserShortcut(*msg))
      return S_FALSE;
    TranslateMessage(msg);
    // The browser reads its queue in the wide form, so a character message
    // holds a UTF-16 unit; dispatched in the ANSI form it would be taken for a
    // byte of the code page. The wide form also serves an ANSI target, which
    // gets the character converted.
    DispatchMessageW(msg);
    return S_OK;
  });
}

// --- IPersist, IPersistStreamInit: the band keeps no state of its own ---

STDMETHODIMP TTarnwick::GetClassID(CLSID* class_id) {
  return Guarded([&] {
    if (!class_id) return E_POINTER;
    *class_id = BandClassGuid();
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::IsDirty() { return S_FALSE; }
STDMETHODIMP TTarnwick::Load(IStream*) { return S_OK; }
STDMETHODIMP TTarnwick::Save(IStream*, BOOL) { return S_OK; }
STDMETHODIMP TTarnwick::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }
STDMETHODIMP TTarnwick::InitNew() { return E_NOTIMPL; }

// --- IContextMenu ---

STDMETHODIMP TTarnwick::QueryContextMenu(HMENU menu, UINT index, UINT first_id, UINT, UINT) {
  return Guarded([&] {
    // Each insertion at `index` pushes the earlier ones down.
    static const wchar_t* const kTexts[kMenuItems] = {L"Update Bandinfo", L"About Toolbar...",
                                                      L"Toolbar Website", L"Toolbar Support"};
    for (UINT offset = kMenuItems; offset-- > 0;)
      InsertMenuW(menu, index, MF_BYPOSITION | MF_STRING, first_id + offset, kTexts[offset]);
    menu_item_count_ = kMenuItems;
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, kMenuItems);
  });
}

STDMETHODIMP TTarnwick::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  return Guarded([&] {
    if (!info) return E_INVALIDARG;
    // A command offset is a 16-bit number in place of the pointer; anything
    // above that range, in whatever bits, is a verb given as text.
    if (!IS_INTRESOURCE(info->lpVerb)) return E_FAIL;
    const int32_t offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    if (offset > menu_item_count_ - 1) return E_FAIL;
    // The About box, an error box and the start of a separate browser all run
    // the browser's messages, among them the band's close and final Release:
    // the band stays until its command has returned.
    const ComPtr<IContextMenu> keep_alive(this);
    try {
      switch (offset) {
        case 0:
          UpdateBandInfo();
          break;
        case 1:
          ShowAboutBox(platform_, false);
          break;
        case 2:
          NavigateTo(platform_, navigator_, separate_browser_, ToolbarConfig.HomePageUrl);
          break;
        default:
          NavigateTo(platform_, navigator_, separate_browser_, ToolbarConfig.ContactEmail);
          break;
      }
    } catch (const std::exception& error) {
      // The user chose the command and learns why nothing came of it; the
      // host only hears that it failed.
      ShowErrorBox(*platform_.ui, ToolbarConfig.ToolbarName, error.what());
      return E_FAIL;
    }
    return S_OK;
  });
}

STDMETHODIMP TTarnwick::GetCommandString(UINT_PTR, UINT type, UINT*, LPSTR name, UINT max_chars) {
  return Guarded([&] {
    // The commands have no verbs or help texts; a caller's buffer gets the empty text
    // rather than whatever it held.
    if (name && max_chars > 0) {
      if (type & GCS_UNICODE)
        reinterpret_cast<wchar_t*>(name)[0] = L'\0';
      else
        name[0] = '\0';
    }
    return S_OK;
  });
}

// --- the band's own operations ---

void TTarnwick::UpdateBandInfo() {
  if (!command_target_) return;
  win32::Variant in = win32::Variant::Integer(static_cast<int32_t>(band_id_));
  win32::Variant out;
  command_target_->Exec(&CGID_DeskBand, DBID_BANDINFOCHANGED, 0, in.get(), out.get());
}

void TTarnwick::NotifyFocusChange(bool gained) {
  if (!input_site_) return;
  // The band's focus notification passes true as -1.
  input_site_->OnFocusChangeIS(outer_, gained ? kFocusGained : kFocusLost);
}

}  // namespace pq::band
