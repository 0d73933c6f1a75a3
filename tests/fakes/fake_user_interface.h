#pragma once
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace pq::fakes {

struct ShownMessage {
  std::string text;
  std::string caption;
  uint32_t style;
};

// Records every message box and answers each with the same button.
class FakeUserInterface : public UserInterface {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) override {
    shown.push_back({text, caption, style});
    return answer;
  }

  std::vector<ShownMessage> shown;
  int answer = kIdOk;
};

}  // namespace pq::fakes
