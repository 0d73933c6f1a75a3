#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "platform/error.h"

namespace pq {
namespace {

TDateTime Date(int year, int month, int day) { return TryEncodeDate(year, month, day).value(); }
TDateTime Time(int hour, int minute, int second) {
  return TryEncodeTime(hour, minute, second, 0).value();
}

TEST(DateTimeText, CountsDaysFromTheEndOf1899) {
  EXPECT_EQ(Date(1899, 12, 30), 0);
  EXPECT_EQ(Date(1900, 1, 1), 2);
  EXPECT_EQ(Date(2000, 1, 1), 36526);
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0));
  EXPECT_DOUBLE_EQ(Time(18, 0, 0), 0.75);
}

TEST(DateTimeText, FormatsInUsEnglishByDefault) {
  EXPECT_EQ(DateToStr(Date(2024, 2, 29)), "2/29/2024");
  EXPECT_EQ(TimeToStr(Time(13, 5, 9)), "1:05:09 PM");
  EXPECT_EQ(TimeToStr(Time(0, 0, 0)), "12:00:00 AM");
  EXPECT_EQ(TimeToStr(Time(12, 0, 0)), "12:00:00 PM");
  EXPECT_EQ(DateTimeToStr(Date(2024, 2, 29)), "2/29/2024") << "midnight is left out";
  EXPECT_EQ(DateTimeToStr(Date(2024, 2, 29) + Time(9, 30, 0)), "2/29/2024 9:30:00 AM");
}

TEST(DateTimeText, DaysBefore1900CountTheirTimeForward) {
  const TDateTime value = ComposeDateTime(Date(1899, 12, 29), Time(6, 0, 0));
  EXPECT_DOUBLE_EQ(value, -1.25);
  EXPECT_EQ(DateTimeToStr(value), "12/29/1899 6:00:00 AM");
  EXPECT_EQ(DateToStr(Date(1, 1, 1)), "1/1/0001");
}

TEST(DateTimeText, PicturesUseThePlatformLetters) {
  FormatSettings settings;
  settings.ShortDateFormat = "dddd, MMMM d, yyyy 'de' ddd MMM yy";
  EXPECT_EQ(DateToStr(Date(2024, 3, 5), settings), "Tuesday, March 5, 2024 de Tue Mar 24");
  settings.DateSeparator = '-';
  settings.ShortDateFormat = "yyyy/MM/dd";
  EXPECT_EQ(DateToStr(Date(2024, 3, 5), settings), "2024-03-05");
  settings.TimeSeparator = '.';
  settings.TimeFormat = "HH:mm:ss t 'o''clock'";
  EXPECT_EQ(TimeToStr(Time(7, 8, 9), settings), "07.08.09 A o'clock");
}

TEST(DateTimeText, ValuesOutsideTheCalendarCannotBeFormatted) {
  EXPECT_THROW(DateToStr(1e12), Error);
  EXPECT_THROW(DateToStr(-700000), Error);
  EXPECT_THROW(DateTimeToStr(NAN), Error);
  EXPECT_THROW(TimeToStr(INFINITY), Error);
}

TEST(DateTimeText, ParsesDatesInThePictureOrder) {
  EXPECT_EQ(StrToDate(" 2/29/2024 "), Date(2024, 2, 29));
  EXPECT_EQ(StrToDate("2/29/24"), Date(2024, 2, 29));
  EXPECT_EQ(StrToDate("1/2/29"), Date(2029, 1, 2));
  EXPECT_EQ(StrToDate("1/2/30"), Date(1930, 1, 2));
  EXPECT_EQ(StrToDate("1/2/0030"), Date(30, 1, 2)) << "four digits are taken as written";
  FormatSettings german;
  german.DateSeparator = '.';
  german.ShortDateFormat = "dd/MM/yyyy";
  EXPECT_EQ(StrToDate("01.03.2024", german), Date(2024, 3, 1));
  FormatSettings iso;
  iso.DateSeparator = '-';
  iso.ShortDateFormat = "yyyy/MM/dd";
  EXPECT_EQ(StrToDate("2024-3-1", iso), Date(2024, 3, 1));
}

TEST(DateTimeText, RejectsTextThatIsNoDate) {
  for (const char* text : {"", "2/29/2023", "13/1/2024", "0/1/2024", "1/1", "1/1/2024x", "1-1-2024",
                           "a/b/c", "1/1/1234567890", "1/1/-5"})
    EXPECT_FALSE(StrToDate(text)) << text;
}

TEST(DateTimeText, ParsesTimesWithOrWithoutDesignator) {
  EXPECT_DOUBLE_EQ(StrToTime("13:05").value(), Time(13, 5, 0));
  EXPECT_DOUBLE_EQ(StrToTime(" 1:05:09 pm ").value(), Time(13, 5, 9));
  EXPECT_DOUBLE_EQ(StrToTime("12:00 AM").value(), 0);
  EXPECT_DOUBLE_EQ(StrToTime("12:00:00 PM").value(), 0.5);
  for (const char* text : {"", "13", "24:00", "13:00 PM", "0:30 AM", "1:60", "1:2:3:4", "1:00 XM"})
    EXPECT_FALSE(StrToTime(text)) << text;
}

TEST(DateTimeText, ParsesDateTimesDatesAndTimes) {
  EXPECT_DOUBLE_EQ(StrToDateTime("2/29/2024 6:00 PM").value(), Date(2024, 2, 29) + 0.75);
  EXPECT_EQ(StrToDateTime("2/29/2024").value(), Date(2024, 2, 29));
  EXPECT_DOUBLE_EQ(StrToDateTime("6:00").value(), 0.25);
  EXPECT_DOUBLE_EQ(StrToDateTime("12/29/1899 6:00 AM").value(), -1.25);
  for (const char* text : {"2/29/2024 x", "2/29/20246:00", "2/29/2024 6", "x 6:00"})
    EXPECT_FALSE(StrToDateTime(text)) << text;
}

TEST(DateTimeText, FormattedValuesReadBack) {
  for (TDateTime value : {Date(2024, 2, 29) + Time(23, 59, 59), Date(1, 1, 1), Date(9999, 12, 31),
                          ComposeDateTime(Date(1850, 7, 4), Time(12, 0, 1))})
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(value)).value(), value) << DateTimeToStr(value);
}

TEST(FloatText, WritesTheShortestTextThatReadsBack) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(FloatToStr(100000), "100000");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(123456789012345), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1.5e-5), "0.000015");
  EXPECT_EQ(FloatToStr(1.5e-6), "1.5E-6");
  EXPECT_EQ(FloatToStr(NAN), "NAN");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
  FormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(2.5, comma), "2,5");
  for (double value : {0.1 + 0.2, DBL_MAX, DBL_MIN, 4.9e-324, -1.0 / 3, 6.02214076e23})
    EXPECT_EQ(StrToFloat(FloatToStr(value)).value(), value) << FloatToStr(value);
}

TEST(FloatText, ReadsDecimalNotationWithTheUsersSeparator) {
  EXPECT_EQ(StrToFloat(" 1.5 "), 1.5);
  EXPECT_EQ(StrToFloat("+1"), 1);
  EXPECT_EQ(StrToFloat("-.5"), -0.5);
  EXPECT_EQ(StrToFloat("5."), 5);
  EXPECT_EQ(StrToFloat("1e3"), 1000);
  EXPECT_EQ(StrToFloat("1E-3"), 0.001);
  EXPECT_EQ(StrToFloat("inf"), INFINITY);
  EXPECT_TRUE(std::isnan(StrToFloat("NaN").value()));
  FormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_EQ(StrToFloat("2,5", comma), 2.5);
  EXPECT_FALSE(StrToFloat("2.5", comma));
  for (const char* text :
       {"", " ", ".", "1,5", "1e", "e3", "1.5x", "1e999", "--1", "1 2", "0x10", "-nan", "infinity"})
    EXPECT_FALSE(StrToFloat(text)) << text;
}

}  // namespace
}  // namespace pq
