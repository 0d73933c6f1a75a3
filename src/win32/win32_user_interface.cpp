#include "win32/win32_user_interface.h"

#include <windows.h>

namespace pq::win32 {

int Win32UserInterface::ShowMessageBox(const std::string& text, const std::string& caption,
                                       uint32_t style) {
  return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), style);
}

}  // namespace pq::win32
