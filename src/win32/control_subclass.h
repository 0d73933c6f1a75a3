#pragma once
// A procedure of ours in front of a control's own, with its owner kept in
// the control's GWLP_USERDATA. comctl32's SetWindowSubclass keeps its chain
// in a window property and looks it up two or three times for every message;
// under Wine each lookup is a round trip to the server, which made the
// toolbar's own messages, painting among them, several times dearer.
//
// The owner declares a static procedure that finds it with Owner(), and
// hands every message on with CallNext(); the subclass removes itself at
// WM_NCDESTROY, before the control's procedure sees it.
#include <windows.h>

namespace pq::win32 {

class ControlSubclass {
 public:
  ControlSubclass() = default;
  ControlSubclass(const ControlSubclass&) = delete;
  ControlSubclass& operator=(const ControlSubclass&) = delete;
  // A control that outlives its owner gets its own procedure back.
  ~ControlSubclass() { Remove(); }

  // Puts `proc` in front of the control's procedure; false, with nothing
  // changed, when the control refuses it or already has an owner.
  [[nodiscard]] bool Install(HWND control, WNDPROC proc, void* owner);
  // Gives the control its own procedure back; nothing when not installed.
  void Remove();

  // The owner that Install kept with the control; null for another window.
  template <typename T>
  static T* Owner(HWND control) {
    return static_cast<T*>(reinterpret_cast<void*>(GetWindowLongPtrW(control, GWLP_USERDATA)));
  }
  // The control's own procedure. At WM_NCDESTROY the subclass is removed first.
  LRESULT CallNext(HWND control, UINT message, WPARAM wparam, LPARAM lparam);

  bool Installed() const { return control_ != nullptr; }

 private:
  HWND control_ = nullptr;
  WNDPROC proc_ = nullptr;
  WNDPROC next_ = nullptr;
};

}  // namespace pq::win32
