// Numbers, dates and times as text: whatever parses is formatted and parsed
// again to the same value, under US English and under a day-first locale.
#include <stdint.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/date_time.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

void RoundTrips(std::string_view text, const pq::FormatSettings& settings) {
  if (std::optional<double> number = pq::StrToFloat(text, settings)) {
    const std::optional<double> again = pq::StrToFloat(pq::FloatToStr(*number, settings), settings);
    Check(again && (*again == *number || (std::isnan(*again) && std::isnan(*number))),
          "a number reads back as written");
  }
  if (std::optional<pq::TDateTime> stamp = pq::StrToDateTime(text, settings)) {
    const std::string written = pq::DateTimeToStr(*stamp, settings);
    const std::optional<pq::TDateTime> again = pq::StrToDateTime(written, settings);
    Check(again && *again == *stamp, "a date-time reads back as written");
  }
  if (std::optional<pq::TDateTime> date = pq::StrToDate(text, settings))
    Check(pq::StrToDate(pq::DateToStr(*date, settings), settings) == date,
          "a date reads back as written");
  if (std::optional<pq::TDateTime> time = pq::StrToTime(text, settings))
    Check(pq::StrToTime(pq::TimeToStr(*time, settings), settings) == time,
          "a time reads back as written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const pq::FormatSettings us;
  static const pq::FormatSettings german = [] {
    pq::FormatSettings settings;
    settings.DateSeparator = '.';
    settings.ShortDateFormat = "dd/MM/yyyy";
    settings.TimeFormat = "HH:mm:ss";
    settings.DecimalSeparator = ',';
    return settings;
  }();
  RoundTrips(text, us);
  RoundTrips(text, german);
  return 0;
}
