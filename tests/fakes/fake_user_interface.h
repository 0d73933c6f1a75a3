#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/user_interface.h"

namespace pq::fakes {

struct ShownMessage {
  std::string text;
  std::string caption;
  uint32_t style;
};

// Records every dialog it shows and answers each as the test arranged.
class FakeUserInterface : public UserInterface {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) override {
    shown.push_back({text, caption, style});
    WhileOpen();
    return answer;
  }
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& initial) override {
    input_boxes.push_back({prompt, caption, 0});
    input_initials.push_back(initial);
    const std::string typed = input_answer ? *input_answer : initial;
    WhileOpen();
    return typed;
  }
  bool ExecuteFileDialog(FileDialogSettings& dialog) override {
    dialogs.push_back(dialog);
    WhileOpen();
    if (!chosen_file) return false;
    dialog.FileName = *chosen_file;
    return true;
  }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  std::optional<std::string> ClipboardText() override { return clipboard; }
  void ShowAboutBox(const AboutBoxContent& content) override {
    about_boxes.push_back(content);
    if (click_about_link && content.LinkClick) content.LinkClick();
    WhileOpen();
  }

  // The arrangement.
  int answer = kIdOk;                       // every message box's button
  std::optional<std::string> input_answer;  // none: the input box is cancelled
  std::optional<std::string> chosen_file;   // none: file dialogs are cancelled
  std::optional<std::string> clipboard;     // none: no text on the clipboard
  bool click_about_link = false;
  // Runs while a dialog is open, once, as the browser's messages run in its
  // modal loop: it may close the window that showed the dialog.
  std::function<void()> while_open;

  // The record.
  std::vector<ShownMessage> shown;
  std::vector<ShownMessage> input_boxes;  // prompt, caption
  std::vector<std::string> input_initials;
  std::vector<FileDialogSettings> dialogs;  // as each was shown
  std::vector<AboutBoxContent> about_boxes;

 private:
  void WhileOpen() {
    if (auto run = std::exchange(while_open, nullptr)) run();
  }
};

}  // namespace pq::fakes
