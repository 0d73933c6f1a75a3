#pragma once
// The user's side of the toolbar: message boxes and the other dialogs.
#include <cstdint>
#include <string>

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

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box; returns the button pressed.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             uint32_t style) = 0;
};

}  // namespace pq
