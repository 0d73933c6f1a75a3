#include "platform/date_time.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/error.h"
#include "platform/text.h"

namespace pq {
namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;

// Days since 1 March of year 0 shifted to the Unix epoch (H. Hinnant's algorithm).
constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct CivilDate {
  int year, month, day;
};

constexpr CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

constexpr int64_t kEpoch = DaysFromCivil(1899, 12, 30);
constexpr int64_t kFirstDay = DaysFromCivil(1, 1, 1) - kEpoch;
constexpr int64_t kLastDay = DaysFromCivil(9999, 12, 31) - kEpoch;

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

const char* const kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};

struct Decoded {
  CivilDate date;
  int weekday;  // 0 is Sunday
  int hour, minute, second;
};

Decoded Decode(TDateTime value) {
  if (!std::isfinite(value) || value < static_cast<double>(kFirstDay) ||
      value >= static_cast<double>(kLastDay + 1))
    throw Error("Invalid date-time value");
  const double whole = std::trunc(value);
  const int64_t days = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(value - whole) * kMillisecondsPerDay);
  if (ms >= kMillisecondsPerDay) ms = kMillisecondsPerDay - 1;
  const int64_t unix_days = days + kEpoch;
  Decoded result{};
  result.date = CivilFromDays(unix_days);
  // 1 January 1970 was a Thursday.
  result.weekday = static_cast<int>(((unix_days + 4) % 7 + 7) % 7);
  const int64_t seconds = ms / 1000;
  result.hour = static_cast<int>(seconds / 3600);
  result.minute = static_cast<int>(seconds / 60 % 60);
  result.second = static_cast<int>(seconds % 60);
  return result;
}

void AppendNumber(std::string& out, int value, int width) {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%0*d", width, value);
  out.append(digits, static_cast<size_t>(length));
}

std::string Format(std::string_view picture, const Decoded& v, const FormatSettings& settings) {
  std::string out;
  size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    if (c == '\'') {
      // Quoted literal; '' inside or outside quotes is one quote.
      ++i;
      while (i < picture.size()) {
        if (picture[i] == '\'') {
          if (i + 1 < picture.size() && picture[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += picture[i++];
      }
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'd':
        if (run >= 4)
          out += kLongDayNames[v.weekday];
        else if (run == 3)
          out += kShortDayNames[v.weekday];
        else
          AppendNumber(out, v.date.day, static_cast<int>(run));
        break;
      case 'M':
        if (run >= 4)
          out += kLongMonthNames[v.date.month - 1];
        else if (run == 3)
          out += kShortMonthNames[v.date.month - 1];
        else
          AppendNumber(out, v.date.month, static_cast<int>(run));
        break;
      case 'y':
        if (run <= 2)
          AppendNumber(out, v.date.year % 100, static_cast<int>(run));
        else
          AppendNumber(out, v.date.year, 4);
        break;
      case 'g':  // era: always the current one
        break;
      case 'h':
        AppendNumber(out, v.hour % 12 == 0 ? 12 : v.hour % 12, run >= 2 ? 2 : 1);
        break;
      case 'H':
        AppendNumber(out, v.hour, run >= 2 ? 2 : 1);
        break;
      case 'm':
        AppendNumber(out, v.minute, run >= 2 ? 2 : 1);
        break;
      case 's':
        AppendNumber(out, v.second, run >= 2 ? 2 : 1);
        break;
      case 't': {
        const std::string& designator = v.hour < 12 ? settings.TimeAMString : settings.TimePMString;
        out += run >= 2 ? designator : designator.substr(0, 1);
        break;
      }
      case '/':
        out.append(run, settings.DateSeparator);
        break;
      case ':':
        out.append(run, settings.TimeSeparator);
        break;
      default:
        out.append(run, c);
        break;
    }
    i += run;
  }
  return out;
}

// A read position in text being parsed.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ == text_.size(); }
  size_t SkipBlanks() {
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    return pos_ - start;
  }
  bool Char(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // Up to nine decimal digits; none when there is no digit.
  std::optional<int> Number(int* digits = nullptr) {
    int value = 0;
    int count = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (++count > 9) return std::nullopt;
      value = value * 10 + (text_[pos_++] - '0');
    }
    if (count == 0) return std::nullopt;
    if (digits) *digits = count;
    return value;
  }
  bool Word(std::string_view word) {
    if (word.empty() || text_.size() - pos_ < word.size() ||
        !SameText(text_.substr(pos_, word.size()), word))
      return false;
    pos_ += word.size();
    return true;
  }
  size_t pos() const { return pos_; }
  void set_pos(size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::optional<TDateTime> ScanDate(Scanner& in, const FormatSettings& settings) {
  // The order of day, month and year is the order in which the short date
  // picture names them.
  char order[3];
  int known = 0;
  bool quoted = false;
  for (char c : settings.ShortDateFormat) {
    if (c == '\'') quoted = !quoted;
    if (quoted || (c != 'd' && c != 'M' && c != 'y')) continue;
    bool seen = false;
    for (int i = 0; i < known; ++i) seen = seen || order[i] == c;
    if (!seen && known < 3) order[known++] = c;
  }
  for (char c : {'M', 'd', 'y'}) {
    bool seen = false;
    for (int i = 0; i < known; ++i) seen = seen || order[i] == c;
    if (!seen) order[known++] = c;
  }

  int year = 0, month = 0, day = 0, year_digits = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && !in.Char(settings.DateSeparator)) return std::nullopt;
    int digits = 0;
    std::optional<int> number = in.Number(&digits);
    if (!number) return std::nullopt;
    if (order[i] == 'y') {
      year = *number;
      year_digits = digits;
    } else if (order[i] == 'M') {
      month = *number;
    } else {
      day = *number;
    }
  }
  if (year_digits <= 2) year += year < 30 ? 2000 : 1900;
  return TryEncodeDate(year, month, day);
}

std::optional<TDateTime> ScanTime(Scanner& in, const FormatSettings& settings) {
  std::optional<int> hour = in.Number();
  if (!hour || !in.Char(settings.TimeSeparator)) return std::nullopt;
  std::optional<int> minute = in.Number();
  if (!minute) return std::nullopt;
  int second = 0;
  if (in.Char(settings.TimeSeparator)) {
    std::optional<int> s = in.Number();
    if (!s) return std::nullopt;
    second = *s;
  }
  const size_t before_designator = in.pos();
  in.SkipBlanks();
  if (in.Word(settings.TimeAMString) || in.Word("AM")) {
    if (*hour < 1 || *hour > 12) return std::nullopt;
    if (*hour == 12) *hour = 0;
  } else if (in.Word(settings.TimePMString) || in.Word("PM")) {
    if (*hour < 1 || *hour > 12) return std::nullopt;
    if (*hour != 12) *hour += 12;
  } else {
    in.set_pos(before_designator);
  }
  return TryEncodeTime(*hour, *minute, second, 0);
}

}  // namespace

FormatSettings& UserFormatSettings() {
  static FormatSettings settings;
  return settings;
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return std::nullopt;
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) - kEpoch);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    return std::nullopt;
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / kMillisecondsPerDay;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

std::string DateToStr(TDateTime value, const FormatSettings& settings) {
  return Format(settings.ShortDateFormat, Decode(value), settings);
}

std::string YearText(TDateTime value) {
  FormatSettings year_only;
  year_only.ShortDateFormat = "yyyy";
  return DateToStr(value, year_only);
}

std::string TimeToStr(TDateTime value, const FormatSettings& settings) {
  return Format(settings.TimeFormat, Decode(value), settings);
}

std::string DateTimeToStr(TDateTime value, const FormatSettings& settings) {
  const Decoded decoded = Decode(value);
  std::string text = Format(settings.ShortDateFormat, decoded, settings);
  if (decoded.hour != 0 || decoded.minute != 0 || decoded.second != 0)
    text += ' ' + Format(settings.TimeFormat, decoded, settings);
  return text;
}

std::string FloatToStr(double value, const FormatSettings& settings) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // The shortest digits that read back as the same value, then placed the
  // way people write numbers.
  char buffer[64];
  const std::to_chars_result written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view sci(buffer, static_cast<size_t>(written.ptr - buffer));
  const size_t e = sci.find('e');
  std::string digits;
  bool negative = false;
  for (char c : sci.substr(0, e)) {
    if (c == '-')
      negative = true;
    else if (c != '.')
      digits += c;
  }
  int exponent = 0;
  std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+'), sci.data() + sci.size(), exponent);

  std::string text = negative ? "-" : "";
  if (exponent >= -5 && exponent < 15) {
    if (exponent >= 0) {
      const size_t whole = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= whole) {
        text += digits;
        text.append(whole - digits.size(), '0');
      } else {
        text += digits.substr(0, whole);
        text += settings.DecimalSeparator;
        text += digits.substr(whole);
      }
    } else {
      text += '0';
      text += settings.DecimalSeparator;
      text.append(static_cast<size_t>(-exponent - 1), '0');
      text += digits;
    }
  } else {
    text += digits[0];
    if (digits.size() > 1) {
      text += settings.DecimalSeparator;
      text += digits.substr(1);
    }
    text += 'E';
    text += std::to_string(exponent);
  }
  return text;
}

std::optional<TDateTime> StrToDate(std::string_view text, const FormatSettings& settings) {
  Scanner in(text);
  in.SkipBlanks();
  std::optional<TDateTime> date = ScanDate(in, settings);
  in.SkipBlanks();
  if (!date || !in.AtEnd()) return std::nullopt;
  return date;
}

std::optional<TDateTime> StrToTime(std::string_view text, const FormatSettings& settings) {
  Scanner in(text);
  in.SkipBlanks();
  std::optional<TDateTime> time = ScanTime(in, settings);
  in.SkipBlanks();
  if (!time || !in.AtEnd()) return std::nullopt;
  return time;
}

std::optional<TDateTime> StrToDateTime(std::string_view text, const FormatSettings& settings) {
  Scanner in(text);
  in.SkipBlanks();
  const size_t start = in.pos();
  if (std::optional<TDateTime> date = ScanDate(in, settings)) {
    if (in.SkipBlanks() > 0 && !in.AtEnd()) {
      std::optional<TDateTime> time = ScanTime(in, settings);
      in.SkipBlanks();
      if (!time || !in.AtEnd()) return std::nullopt;
      return ComposeDateTime(*date, *time);
    }
    if (in.AtEnd()) return date;
  }
  in.set_pos(start);
  return StrToTime(text, settings);
}

std::optional<double> StrToFloat(std::string_view text, const FormatSettings& settings) {
  Scanner in(text);
  in.SkipBlanks();
  const bool negative = in.Char('-');
  if (!negative) (void)in.Char('+');
  std::optional<double> special;
  if (in.Word("INF"))
    special = negative ? -INFINITY : INFINITY;
  else if (!negative && in.Word("NAN"))
    special = NAN;
  if (special) {
    in.SkipBlanks();
    if (!in.AtEnd()) return std::nullopt;
    return special;
  }

  // Rebuilt in the standard library's notation, which does not depend on the
  // C runtime's locale.
  std::string normal = negative ? "-" : "";
  const size_t mantissa_start = in.pos();
  size_t digits = 0;
  auto take_digits = [&] {
    while (!in.AtEnd() && text[in.pos()] >= '0' && text[in.pos()] <= '9') {
      normal += text[in.pos()];
      in.set_pos(in.pos() + 1);
      ++digits;
    }
  };
  take_digits();
  if (in.Char(settings.DecimalSeparator)) {
    normal += '.';
    take_digits();
  }
  if (digits == 0 || in.pos() == mantissa_start) return std::nullopt;
  if (in.Char('e') || in.Char('E')) {
    normal += 'e';
    if (in.Char('-'))
      normal += '-';
    else
      (void)in.Char('+');
    const size_t exponent_digits = digits;
    take_digits();
    if (digits == exponent_digits) return std::nullopt;
  }
  in.SkipBlanks();
  if (!in.AtEnd()) return std::nullopt;
  double value = 0;
  const std::from_chars_result parsed =
      std::from_chars(normal.data(), normal.data() + normal.size(), value);
  if (parsed.ec != std::errc() || parsed.ptr != normal.data() + normal.size()) return std::nullopt;
  return value;
}

}  // namespace pq
