#include "user_input.h"

#include "ui_kit/mouse_input.h"

namespace pq::demo {
namespace {

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Only for the eye of whoever watches the demo on a display.
constexpr DWORD kTypistPause = 60;

}  // namespace

bool TypeText(const std::string& text) {
  for (const char typed : text) {
    WORD key = 0;
    if (typed >= 'a' && typed <= 'z')
      key = static_cast<WORD>(typed - 'a' + 'A');
    else if ((typed >= 'A' && typed <= 'Z') || (typed >= '0' && typed <= '9'))
      key = static_cast<WORD>(typed);
    else if (typed == ' ')
      key = VK_SPACE;
    else
      return false;
    const bool shifted = typed >= 'A' && typed <= 'Z';
    if (shifted) {
      INPUT shift = Key(VK_SHIFT, false);
      if (SendInput(1, &shift, sizeof(INPUT)) != 1) return false;
    }
    const bool sent = ui_kit::PressKey(key);
    if (shifted) {
      INPUT shift = Key(VK_SHIFT, true);
      SendInput(1, &shift, sizeof(INPUT));
    }
    if (!sent) return false;
    Sleep(kTypistPause);
  }
  return true;
}

}  // namespace pq::demo
