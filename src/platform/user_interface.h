#pragma once
// The user's side of the toolbar: message boxes, the input box, the file
// dialogs, the clipboard and the About box.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pq {

// Message-box styles and answers, numbered as the system numbers them.
inline constexpr uint32_t kMbOk = 0x00;
inline constexpr uint32_t kMbYesNo = 0x04;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconWarning = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// A file dialog as its owner keeps it between showings: the name chosen last
// is offered the next time.
struct FileDialogSettings {
  enum class Kind { Open, Save };
  Kind kind = Kind::Open;
  std::string Title;
  std::string FileName;
  // Pairs of description and pattern, "|" between all of them.
  std::string Filter;
  std::string DefaultExt;  // with its dot, as ".txt"
};

// What the About box shows; its window lays it out.
struct AboutBoxContent {
  std::string Caption;
  std::string Version;    // the toolbar's name, large
  std::string Copyright;  // lead, year and publisher
  std::string Url;        // the address label
  std::string Preparer;   // the product's own copyright line
  // Replace the built-in legal notice when the installation supplies one.
  std::optional<std::vector<std::string>> NoticeLines;
  // A bitmap replacing the built-in banner picture; empty keeps it.
  std::string BannerFile;
  // Shown for a few seconds without its Close button, rather than modally.
  bool Timed = false;
  // A click on the address or on the banner picture: runs this, then the box closes.
  std::function<void()> LinkClick;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box; returns the button pressed.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             uint32_t style) = 0;
  // Asks for one line of text; Cancel returns the initial text.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& initial) = 0;
  // Shows a file dialog; true with dialog.FileName set to the chosen file,
  // false when the user cancels.
  [[nodiscard]] virtual bool ExecuteFileDialog(FileDialogSettings& dialog) = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  // None when the clipboard holds no text.
  virtual std::optional<std::string> ClipboardText() = 0;
  // Shows the About box and returns once it has closed.
  virtual void ShowAboutBox(const AboutBoxContent& content) = 0;
};

// The text of the standard error box: a message is a sentence and gets its
// full stop.
inline std::string ErrorBoxText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

// The standard box for an error that ended an event: its text, an error icon
// and OK, captioned with the toolbar's name, or "Error" for a toolbar without one.
inline void ShowErrorBox(UserInterface& ui, const std::string& caption,
                         const std::string& message) {
  ui.ShowMessageBox(ErrorBoxText(message), caption.empty() ? "Error" : caption,
                    kMbOk | kMbIconError);
}

}  // namespace pq
