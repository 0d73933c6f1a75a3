#pragma once
// Answers a window of this process from a thread of its own, the way a user
// would, while the test's thread sits in the window's modal loop.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace pq::testing {

class DialogAnswerer {
 public:
  // Waits up to `milliseconds` for a visible top-level window captioned
  // `caption` and runs `answer` with it. When none comes, or the window is
  // still shown `milliseconds` after the answer, every window this process
  // shows is closed, so that the test fails rather than hangs.
  DialogAnswerer(std::string caption, std::function<void(HWND)> answer, DWORD milliseconds = 20000);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // Waits for the answer to be given; true when the window was found.
  bool Finish();
  // True when the answer closed or hid the window; false when it stayed and
  // had to be closed from outside.
  bool Closed() {
    Finish();
    return closed_;
  }

 private:
  std::atomic<bool> found_{false};
  std::atomic<bool> closed_{false};
  std::thread thread_;
};

}  // namespace pq::testing
