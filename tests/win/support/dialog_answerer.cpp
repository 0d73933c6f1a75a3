#include "support/dialog_answerer.h"

#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

using ui_kit::WaitForWindowCaptioned;
using ui_kit::WaitUntil;

void CloseAll() {
  for (HWND window : ui_kit::TopLevelWindowsOf(GetCurrentProcessId()))
    PostMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace

DialogAnswerer::DialogAnswerer(std::string caption, std::function<void(HWND)> answer,
                               DWORD milliseconds)
    : thread_([this, caption = std::move(caption), answer = std::move(answer), milliseconds] {
        HWND window = WaitForWindowCaptioned(caption, milliseconds);
        if (!window) {
          CloseAll();
          return;
        }
        found_ = true;
        answer(window);
        closed_ = WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); },
                            milliseconds);
        if (!closed_) CloseAll();
      }) {}

DialogAnswerer::~DialogAnswerer() { Finish(); }

bool DialogAnswerer::Finish() {
  if (thread_.joinable()) thread_.join();
  return found_;
}

}  // namespace pq::testing
