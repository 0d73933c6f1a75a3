#include "win32/win32_clock.h"

#include <windows.h>

namespace pq::win32 {

TDateTime Win32Clock::Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  // The system's calendar never leaves the range that encodes.
  return TryEncodeDate(now.wYear, now.wMonth, now.wDay).value_or(0);
}

uint64_t Win32Clock::Milliseconds() { return GetTickCount64(); }

}  // namespace pq::win32
