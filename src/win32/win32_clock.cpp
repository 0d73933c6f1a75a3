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

int64_t Win32Clock::SecondsSince1970() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  // 100-nanosecond units since 1601; 1970 is 11644473600 seconds later.
  const uint64_t ticks = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000000u) - 11644473600;
}

}  // namespace pq::win32
