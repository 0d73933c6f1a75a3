#pragma once
#include "platform/background.h"

namespace pq::win32 {

// Work on threads of the system's own. Each thread holds a reference to the
// module its code is in, so that the module stays mapped until the thread
// has left it, whatever the browser unloads meanwhile.
class Win32Background final : public Background {
 public:
  bool Start(std::function<void()> work) override;
  // Threads started and not yet ended, in the whole process.
  static long Running();
};

}  // namespace pq::win32
