#pragma once
#include <windows.h>

namespace pq::win32 {

// A library of the system, loaded from the system directory only and kept for
// the life of the process; null when it cannot be loaded. Safe to call from
// several threads.
HMODULE SystemLibrary(const char* name);

}  // namespace pq::win32
