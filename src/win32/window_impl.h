#pragma once
// The window procedure shared by the objects that own a window of a class of
// their own. The object is the window's creation parameter and is kept in its
// GWLP_USERDATA from WM_NCCREATE until WM_NCDESTROY; its messages go to
// T::OnMessage. What T may declare besides (each noexcept, all optional):
//   void OnWindowAttached();  the handle is kept, at WM_NCCREATE
//   void OnWindowGone();      the window is destroyed, its handle forgotten
//   LRESULT OnMessageFailed(HWND, UINT, WPARAM, LPARAM);  OnMessage raised:
//       called inside the handler, so `throw;` tells what it was
// The windows are Unicode windows, their classes registered with the W
// functions: messages carry UTF-16 text and are handed on as such.
#include <windows.h>

namespace pq::win32 {

template <typename T>
class WindowImpl {
 public:
  // Null before the window is made and once it is destroyed.
  HWND Handle() const { return window_; }

 protected:
  WindowImpl() = default;
  // A window that outlives its object gets the default handling from now on.
  ~WindowImpl() {
    if (window_) SetLongPtr(window_, nullptr);
  }
  WindowImpl(const WindowImpl&) = delete;
  WindowImpl& operator=(const WindowImpl&) = delete;

  // The procedure of the window class.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* base =
          static_cast<WindowImpl*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      base->window_ = window;
      SetLongPtr(window, base);
      static_cast<T*>(base)->OnWindowAttached();
    }
    auto* base = reinterpret_cast<WindowImpl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!base) return DefaultProc(window, message, wparam, lparam);
    T* self = static_cast<T*>(base);
    if (message == WM_NCDESTROY) {
      SetLongPtr(window, nullptr);
      base->window_ = nullptr;
      self->OnWindowGone();
      return DefaultProc(window, message, wparam, lparam);
    }
    try {
      return self->OnMessage(message, wparam, lparam);
    } catch (...) {
      // Nothing may leave a window procedure into the system's dispatch.
      return self->OnMessageFailed(window, message, wparam, lparam);
    }
  }

  // Creates the window, with this object as its creation parameter.
  HWND CreateWindowOf(DWORD ex_style, const wchar_t* window_class, const wchar_t* title,
                      DWORD style, int x, int y, int width, int height, HWND parent,
                      HINSTANCE instance) {
    void* const self = static_cast<WindowImpl*>(this);
    return CreateWindowExW(ex_style, window_class, title, style, x, y, width, height, parent,
                           nullptr, instance, self);
  }

  static LRESULT DefaultProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  LRESULT DefaultProc(UINT message, WPARAM wparam, LPARAM lparam) const {
    return DefaultProc(window_, message, wparam, lparam);
  }

  // What T does not declare.
  void OnWindowAttached() noexcept {}
  void OnWindowGone() noexcept {}
  LRESULT OnMessageFailed(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    return DefaultProc(window, message, wparam, lparam);
  }

 private:
  static void SetLongPtr(HWND window, WindowImpl* self) {
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }

  HWND window_ = nullptr;
};

}  // namespace pq::win32
