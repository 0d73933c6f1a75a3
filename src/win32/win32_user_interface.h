#pragma once
#include "platform/user_interface.h"

namespace pq::win32 {

// Dialogs of the system, owned by the thread's active window (the browser's
// frame while the user works in it), and the clipboard.
class Win32UserInterface final : public UserInterface {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& initial) override;
  bool ExecuteFileDialog(FileDialogSettings& dialog) override;
  void SetClipboardText(const std::string& text) override;
  std::optional<std::string> ClipboardText() override;
  void ShowAboutBox(const AboutBoxContent& content) override;
};

}  // namespace pq::win32
