#include "band/band_window.h"

#include <utility>

#include "band/this_module.h"

namespace pq::band {
namespace {

constexpr char kWindowClass[] = "PelliquesterBandWindow";
constexpr int kEditId = 100;
constexpr int kEditWidth = 220;
constexpr int kMargin = 4;

ATOM RegisterWindowClass(WNDPROC procedure) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = ThisModule();
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  ATOM atom = RegisterClassExA(&window_class);
  if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return 1;
  return atom;
}

}  // namespace

BandWindow::~BandWindow() { Destroy(); }

bool BandWindow::Create(HWND parent, const std::string& caption) {
  if (window_) return true;
  if (!parent || !RegisterWindowClass(&BandWindow::WindowProc)) return false;
  caption_ = caption;
  RECT area{};
  GetClientRect(parent, &area);
  // WM_PARENTNOTIFY from the children is how the band learns of clicks.
  HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, kWindowClass, caption_.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, area.right, 25,
                                parent, nullptr, ThisModule(), this);
  return window != nullptr;
}

void BandWindow::SetHostBrowser(Microsoft::WRL::ComPtr<IWebBrowser2> browser) {
  host_browser_ = std::move(browser);
}

void BandWindow::Destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  edit_ = nullptr;
  host_browser_.Reset();
}

void BandWindow::UnregisterWindowClass(HINSTANCE module) { UnregisterClassA(kWindowClass, module); }

LRESULT CALLBACK BandWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<BandWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<BandWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    self->edit_ = nullptr;
    return DefWindowProcA(window, message, wparam, lparam);
  }
  return self->OnMessage(message, wparam, lparam);
}

LRESULT BandWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      edit_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, kEditWidth,
                              21, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                              ThisModule(), nullptr);
      SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                   FALSE);
      return 0;
    }
    case WM_SIZE: {
      const int height = HIWORD(lparam);
      // The name on the left, the field after a text's worth of room.
      if (edit_) MoveWindow(edit_, 160, (height - 21) / 2, kEditWidth, 21, TRUE);
      InvalidateRect(window_, nullptr, TRUE);
      return 0;
    }
    case WM_SETFOCUS:
      // Focusing the window focuses its active control.
      if (edit_) SetFocus(edit_);
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    default:
      return DefWindowProcA(window_, message, wparam, lparam);
  }
}

void BandWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  RECT area;
  GetClientRect(window_, &area);
  area.left += kMargin;
  area.right = 160 - kMargin;
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const std::string& text = caption_.empty() ? std::string("Toolbar") : caption_;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(dc, old_font);
  EndPaint(window_, &paint);
}

}  // namespace pq::band
