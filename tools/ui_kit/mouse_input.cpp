#include "ui_kit/mouse_input.h"

namespace pq::ui_kit {
namespace {

// A coordinate in the 65536ths of the virtual screen that absolute mouse
// input takes: the middle of the pixel, so that rounding either way keeps it.
LONG Normalised(LONG coordinate, int origin, int extent) {
  return static_cast<LONG>(((2LL * (coordinate - origin) + 1) * 65536) / (2LL * extent));
}

}  // namespace

POINT MiddleOf(HWND window) {
  RECT area{};
  GetWindowRect(window, &area);
  return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

bool ClickWouldReach(HWND window, POINT point) {
  return IsWindowVisible(window) && WindowFromPoint(point) == window;
}

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
  INPUT inputs[2] = {};
  for (int i = 0; i < 2; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = key;
    inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

}  // namespace pq::ui_kit
