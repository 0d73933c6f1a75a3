#pragma once
// The background on std::thread: each piece of work on a thread of its own,
// every thread joined when the object goes (or when a test waits for them).
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/background.h"

namespace pq::fakes {

class ThreadBackground : public Background {
 public:
  ~ThreadBackground() override { JoinAll(); }

  bool Start(std::function<void()> work) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++started;
    if (refuse) return false;
    threads_.emplace_back(std::move(work));
    return true;
  }

  // Waits until every piece of work started so far has ended.
  void JoinAll() {
    std::vector<std::thread> threads;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
  }

  bool refuse = false;  // no thread can be started
  int started = 0;      // calls of Start

 private:
  std::mutex mutex_;
  std::vector<std::thread> threads_;
};

}  // namespace pq::fakes
