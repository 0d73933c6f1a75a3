#include "win32/shared_strips.h"

#include <map>
#include <mutex>
#include <utility>

namespace pq::win32 {
namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// Left to the system at process exit: the map's destructor would run after
// GDI may have gone.
std::map<std::pair<int, int>, unique_hbitmap>& Strips() {
  static auto* strips = new std::map<std::pair<int, int>, unique_hbitmap>();
  return *strips;
}

}  // namespace

void SharedStrips::Use(int resource, int size, const std::function<unique_hbitmap()>& make,
                       const std::function<void(HBITMAP)>& use) {
  const std::lock_guard<std::mutex> hold(Lock());
  unique_hbitmap& strip = Strips()[{resource, size}];
  if (!strip) strip = make();
  if (!strip) {
    Strips().erase({resource, size});
    return;
  }
  use(strip.get());
}

int SharedStrips::Count() {
  const std::lock_guard<std::mutex> hold(Lock());
  return static_cast<int>(Strips().size());
}

void SharedStrips::Release() {
  const std::lock_guard<std::mutex> hold(Lock());
  Strips().clear();
}

}  // namespace pq::win32
