#pragma once
// Dates, times and numbers as text in the user's regional forms.
#include <optional>
#include <string>
#include <string_view>

namespace pq {

// Days since 30 December 1899; the fraction is the time of day. For days
// before that date the fraction still counts forward from midnight: -1.25 is
// 29 December 1899, 06:00.
using TDateTime = double;

// The regional settings the conversions use. Pictures use the platform's
// letters: d dd ddd dddd, M MM MMM MMMM, y yy yyyy for dates; h hh (12-hour),
// H HH (24-hour), m mm, s ss, t tt (AM/PM designator) for times. In a picture
// "/" stands for DateSeparator and ":" for TimeSeparator; text in single
// quotes is literal ('' is a quote), and so is any other character.
struct FormatSettings {
  char DateSeparator = '/';
  std::string ShortDateFormat = "M/d/yyyy";
  char TimeSeparator = ':';
  std::string TimeFormat = "h:mm:ss tt";
  char DecimalSeparator = '.';
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};

// The process's settings: US English until someone fills them from the
// user's locale, as the component does when it loads.
FormatSettings& UserFormatSettings();

// Calendar arithmetic (proleptic Gregorian, years 1 to 9999).
[[nodiscard]] std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
[[nodiscard]] std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second,
                                                     int millisecond);
// Date plus time of day, also for days before 30 December 1899.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Formatting. A date-time outside years 1 to 9999 (or not a number) throws
// pq::Error.
std::string DateToStr(TDateTime value, const FormatSettings& settings = UserFormatSettings());
std::string TimeToStr(TDateTime value, const FormatSettings& settings = UserFormatSettings());
// The date, then a blank and the time unless the time of day is midnight.
std::string DateTimeToStr(TDateTime value, const FormatSettings& settings = UserFormatSettings());
// The year as four digits.
std::string YearText(TDateTime value);
// The shortest text that reads back as the same double; positional notation
// for exponents from -5 to 14, otherwise "1.5E20" style. "NAN", "INF", "-INF".
std::string FloatToStr(double value, const FormatSettings& settings = UserFormatSettings());

// Parsing; none when the text does not convert. Blanks around the text are
// allowed. Dates are three numbers separated by DateSeparator in the order of
// ShortDateFormat; years of one or two digits fall into 1930 to 2029. Times
// are hours, minutes and optional seconds separated by TimeSeparator, with an
// optional AM/PM designator after them.
[[nodiscard]] std::optional<TDateTime> StrToDate(
    std::string_view text, const FormatSettings& settings = UserFormatSettings());
[[nodiscard]] std::optional<TDateTime> StrToTime(
    std::string_view text, const FormatSettings& settings = UserFormatSettings());
// A date, a time, or a date followed by blanks and a time.
[[nodiscard]] std::optional<TDateTime> StrToDateTime(
    std::string_view text, const FormatSettings& settings = UserFormatSettings());
// Decimal notation with DecimalSeparator and an optional exponent; "NAN" and
// "INF" in any case.
[[nodiscard]] std::optional<double> StrToFloat(
    std::string_view text, const FormatSettings& settings = UserFormatSettings());

}  // namespace pq
