#include "win32/control_subclass.h"

namespace pq::win32 {

bool ControlSubclass::Install(HWND control, WNDPROC proc, void* owner) {
  if (control_ || !control || !proc || GetWindowLongPtrW(control, GWLP_USERDATA) != 0)
    return false;
  SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  const LONG_PTR next =
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
  if (next == 0) {
    SetWindowLongPtrW(control, GWLP_USERDATA, 0);
    return false;
  }
  control_ = control;
  proc_ = proc;
  next_ = reinterpret_cast<WNDPROC>(next);
  return true;
}

void ControlSubclass::Remove() {
  if (!control_) return;
  // Another procedure put in front of ours later would be cut off: it stays,
  // and ours hands on to the control's as before.
  if (GetWindowLongPtrW(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(proc_)) {
    SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next_));
    SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
    control_ = nullptr;
  }
}

LRESULT ControlSubclass::CallNext(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  const WNDPROC next = next_;
  if (message == WM_NCDESTROY && control == control_) {
    Remove();
    // Whatever else still points at us keeps working once the control is gone.
    control_ = nullptr;
  }
  if (!next) return DefWindowProcW(control, message, wparam, lparam);
  return CallWindowProcW(next, control, message, wparam, lparam);
}

}  // namespace pq::win32
