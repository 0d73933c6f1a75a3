#pragma once
// The icon strips that the toolbar windows of a process draw from, decoded
// (and scaled) once for each size a window asks for, and kept until the
// module unloads. Each window still makes an image list of its own: a GDI
// object is not to be used by two threads at once, so a strip is only read
// under the cache's lock.
#include <windows.h>

#include <functional>

#include "win32/handles.h"

namespace pq::win32 {

class SharedStrips {
 public:
  // Calls `use` with the strip kept under (resource, size), made by `make`
  // the first time it is asked for, all under the cache's lock. A strip that
  // `make` could not make (null) is not kept: the next caller tries again,
  // and `use` is not called.
  static void Use(int resource, int size, const std::function<unique_hbitmap()>& make,
                  const std::function<void(HBITMAP)>& use);
  // How many strips are kept.
  static int Count();
  // Deletes every strip; for the module's unloading, when no window is left.
  static void Release();
};

}  // namespace pq::win32
