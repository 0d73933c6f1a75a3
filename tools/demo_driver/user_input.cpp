#include "user_input.h"

namespace pq::demo {
namespace {

// A coordinate in the 65536ths of the virtual screen that absolute mouse
// input takes: the middle of the pixel, so that rounding either way keeps it.
LONG Normalised(LONG coordinate, int origin, int extent) {
  return static_cast<LONG>(((2LL * (coordinate - origin) + 1) * 65536) / (2LL * extent));
}

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Only for the eye of whoever watches the demo on a display.
constexpr DWORD kTypistPause = 60;

}  // namespace

bool ClickAt(POINT point, Button button) {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width <= 0 || height <= 0) return false;
  const DWORD down = button == Button::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
  const DWORD up = button == Button::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
  INPUT inputs[3] = {};
  const DWORD flags[3] = {0, down, up};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = Normalised(point.x, left, width);
    inputs[i].mi.dy = Normalised(point.y, top, height);
    inputs[i].mi.dwFlags =
        MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | flags[i];
  }
  return SendInput(3, inputs, sizeof(INPUT)) == 3;
}

bool PressKey(WORD key) {
  INPUT inputs[2] = {Key(key, false), Key(key, true)};
  return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

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
    const bool sent = PressKey(key);
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
