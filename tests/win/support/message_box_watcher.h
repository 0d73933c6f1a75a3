#pragma once
// Answers the message boxes of this process from a thread of its own, the way a
// user would: it finds each box, reads its caption and text, and presses OK.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pq::testing {

struct SeenBox {
  std::string caption;
  std::string text;
};

class MessageBoxWatcher {
 public:
  MessageBoxWatcher();
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // The boxes answered so far, in order.
  std::vector<SeenBox> Seen() const;

 private:
  void Watch();
  void Answer(HWND box);

  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::vector<HWND> answered_;
  std::thread thread_;
};

}  // namespace pq::testing
