#pragma once
#include "platform/user_interface.h"

namespace pq::win32 {

// Dialogs of the system, owned by the thread's active window (the browser's
// frame while the user works in it).
class Win32UserInterface final : public UserInterface {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) override;
};

}  // namespace pq::win32
