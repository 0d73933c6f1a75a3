#include "support/dialog_answerer.h"

#include "support/window_finder.h"

namespace pq::testing {
namespace {

BOOL CALLBACK CloseOne(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window))
    PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

DialogAnswerer::DialogAnswerer(std::string caption, std::function<void(HWND)> answer,
                               DWORD milliseconds)
    : thread_([this, caption = std::move(caption), answer = std::move(answer), milliseconds] {
        HWND window = WaitForWindowCaptioned(caption, milliseconds);
        if (!window) {
          EnumWindows(CloseOne, 0);
          return;
        }
        found_ = true;
        answer(window);
        closed_ = WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); },
                            milliseconds);
        if (!closed_) EnumWindows(CloseOne, 0);
      }) {}

DialogAnswerer::~DialogAnswerer() { Finish(); }

bool DialogAnswerer::Finish() {
  if (thread_.joinable()) thread_.join();
  return found_;
}

}  // namespace pq::testing
