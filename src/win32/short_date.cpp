#include "win32/short_date.h"

#include <windows.h>

namespace pq::win32 {

std::string ShortDateText(int days) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME time;
  SystemTimeToFileTime(&now, &time);
  ULARGE_INTEGER ticks;
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  constexpr long long kTicksPerDay = 24LL * 60 * 60 * 10000000;
  ticks.QuadPart += static_cast<unsigned long long>(days * kTicksPerDay);
  time.dwLowDateTime = ticks.LowPart;
  time.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME day;
  FileTimeToSystemTime(&time, &day);
  const int size = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, nullptr, 0);
  if (size <= 0) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  const int written =
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, text.data(), size);
  text.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
  return text;
}

}  // namespace pq::win32
