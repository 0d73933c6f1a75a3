#include "win32/win32_clock.h"

#include <windows.h>

namespace pq::win32 {

CalendarDate Win32Clock::Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

uint64_t Win32Clock::Milliseconds() { return GetTickCount64(); }

}  // namespace pq::win32
