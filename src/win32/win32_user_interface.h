#pragma once
#include <windows.h>

#include "platform/user_interface.h"

namespace pq::win32 {

// Dialogs of the system, and the clipboard. A dialog shown while a
// DialogOwner scope is open belongs to that scope's toolbar window; any other
// is owned by the thread's active window.
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

// While it lives, what this thread shows modally through Win32UserInterface
// belongs to `window`, a toolbar window, whose events are being handled. A
// child window owns no dialog of its own: the dialogs are owned by its
// top-level window, which keeps them in front and is disabled while they are
// open, and they are ended when the toolbar window is destroyed
// (EndModalCallsOf), as an owner's windows go with it. Scopes nest; the
// innermost counts.
class DialogOwner {
 public:
  explicit DialogOwner(HWND window);
  ~DialogOwner();
  DialogOwner(const DialogOwner&) = delete;
  DialogOwner& operator=(const DialogOwner&) = delete;

  // The toolbar window of the innermost scope of this thread; null outside one.
  static HWND Current();

 private:
  HWND window_;
  const DialogOwner* outer_;
};

// A modal loop of the thread's under way while the object lives: a dialog
// shown through Win32UserInterface, or a popup menu of a toolbar window. It
// belongs to the toolbar window of the DialogOwner scope it was started in.
class ModalCall {
 public:
  enum class Kind { Dialog, Menu };
  // `cancelled` is what the dialog's call returns when its window ends it.
  explicit ModalCall(Kind kind, INT_PTR cancelled = IDCANCEL);
  ~ModalCall();
  ModalCall(const ModalCall&) = delete;
  ModalCall& operator=(const ModalCall&) = delete;

  // The owner a dialog is given: the top-level window of its toolbar window,
  // else the thread's active window.
  HWND Owner() const { return owner_; }

 private:
  static LRESULT CALLBACK WatchCreation(int code, WPARAM wparam, LPARAM lparam);

  Kind kind_;
  INT_PTR cancelled_;
  HWND toolbar_;
  HWND owner_;
  HWND dialog_ = nullptr;  // the window the dialog's call made, once seen
  HHOOK hook_ = nullptr;
  ModalCall* outer_;

  friend void EndModalCallsOf(HWND window);
};

// Ends the modal loops under way on this thread that belong to the toolbar
// window, as it is destroyed: its dialogs and menus close with it, and the
// calls that showed them return.
void EndModalCallsOf(HWND window);

// Modal loops under way in the process. The module's code is on the stack
// below each, whether or not the window it belongs to still exists.
long ModalCallsUnderWay();

}  // namespace pq::win32
