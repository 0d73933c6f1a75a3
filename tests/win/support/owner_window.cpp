#include "support/owner_window.h"

namespace pq::testing {

OwnerWindow& OwnerWindow::Get() {
  static OwnerWindow owner;
  return owner;
}

OwnerWindow::OwnerWindow() {
  window_ = CreateWindowExA(0, "#32770", "Dialog owner", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20,
                            400, 200, nullptr, nullptr, nullptr, nullptr);
  edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24,
                          window_, nullptr, nullptr, nullptr);
}

void OwnerWindow::Activate() const {
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
  SetFocus(edit_);
}

}  // namespace pq::testing
