#pragma once
// Work that runs on a thread of its own while the caller goes on: the
// configuration update, which must never hold a browser window.
#include <functional>

namespace pq {

class Background {
 public:
  virtual ~Background() = default;
  // Runs `work` on a new thread. False when no thread could be started; the
  // work has then not run and the caller may run it itself. The work shows no
  // user interface and must not let an exception out.
  [[nodiscard]] virtual bool Start(std::function<void()> work) = 0;
};

}  // namespace pq
