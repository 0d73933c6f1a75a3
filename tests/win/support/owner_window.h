#pragma once
// An owner for the dialogs under test, active in the test's thread, with a
// control that has the focus: the browser's frame as the dialogs see it. One
// for the whole program: top-level windows are slow to make under Wine.
#include <windows.h>

namespace pq::testing {

class OwnerWindow {
 public:
  static OwnerWindow& Get();
  HWND window() const { return window_; }
  HWND edit() const { return edit_; }
  // Active with the focus in its edit, as when the user works in the browser.
  void Activate() const;

 private:
  OwnerWindow();
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
};

}  // namespace pq::testing
