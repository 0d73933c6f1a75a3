// The regional forms taken from a locale, against what the locale reports
// and against the platform's own formatting.
#include "win32/user_locale.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace pq::win32 {
namespace {

std::string Reported(LCID locale, LCTYPE type) {
  char text[128] = {};
  EXPECT_GT(GetLocaleInfoA(locale, type, text, sizeof text), 0) << type;
  return text;
}

std::string PlatformDate(LCID locale, const SYSTEMTIME& day) {
  char text[128] = {};
  GetDateFormatA(locale, DATE_SHORTDATE, &day, nullptr, text, sizeof text);
  return text;
}

std::string PlatformTime(LCID locale, const SYSTEMTIME& time) {
  char text[128] = {};
  GetTimeFormatA(locale, 0, &time, nullptr, text, sizeof text);
  return text;
}

const struct {
  const char* name;
  LCID locale;
} kLocales[] = {
    {"user default", LOCALE_USER_DEFAULT},
    {"en-US", MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)},
    {"de-DE", MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT)},
    {"fr-FR", MAKELCID(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), SORT_DEFAULT)},
    {"en-GB", MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), SORT_DEFAULT)},
    {"ja-JP", MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT)},
};

TEST(LocaleFormatSettings, EachSettingIsWhatTheLocaleReports) {
  for (const auto& l : kLocales) {
    SCOPED_TRACE(l.name);
    const FormatSettings settings = LocaleFormatSettings(l.locale);
    EXPECT_EQ(std::string(1, settings.DateSeparator),
              Reported(l.locale, LOCALE_SDATE).substr(0, 1));
    EXPECT_EQ(settings.ShortDateFormat, Reported(l.locale, LOCALE_SSHORTDATE));
    EXPECT_EQ(std::string(1, settings.TimeSeparator),
              Reported(l.locale, LOCALE_STIME).substr(0, 1));
    EXPECT_EQ(settings.TimeFormat, Reported(l.locale, LOCALE_STIMEFORMAT));
    EXPECT_EQ(std::string(1, settings.DecimalSeparator),
              Reported(l.locale, LOCALE_SDECIMAL).substr(0, 1));
    EXPECT_EQ(settings.TimeAMString, Reported(l.locale, LOCALE_S1159));
    EXPECT_EQ(settings.TimePMString, Reported(l.locale, LOCALE_S2359));
  }
}

TEST(LocaleFormatSettings, NumbersAndDatesTakeTheLocalesSeparators) {
  const FormatSettings german = LocaleFormatSettings(kLocales[2].locale);
  EXPECT_EQ(german.DecimalSeparator, ',');
  EXPECT_EQ(german.DateSeparator, '.');
  EXPECT_EQ(FloatToStr(2.5, german), "2,5");
  EXPECT_EQ(StrToFloat("2,5", german), 2.5);
  const FormatSettings us = LocaleFormatSettings(kLocales[1].locale);
  EXPECT_EQ(us.DecimalSeparator, '.');
  EXPECT_EQ(FloatToStr(2.5, us), "2.5");
}

// The pictures read from the locale format as the platform formats, and what
// they write reads back.
TEST(LocaleFormatSettings, DatesAndTimesWriteAsThePlatformWritesThemAndReadBack) {
  SYSTEMTIME moment{};
  moment.wYear = 2024;
  moment.wMonth = 3;
  moment.wDay = 7;
  moment.wHour = 15;
  moment.wMinute = 4;
  moment.wSecond = 9;
  const TDateTime date = *TryEncodeDate(2024, 3, 7);
  const TDateTime time = *TryEncodeTime(15, 4, 9, 0);
  for (const auto& l : kLocales) {
    SCOPED_TRACE(l.name);
    const FormatSettings settings = LocaleFormatSettings(l.locale);
    EXPECT_EQ(DateToStr(date, settings), PlatformDate(l.locale, moment));
    EXPECT_EQ(TimeToStr(time, settings), PlatformTime(l.locale, moment));
    EXPECT_EQ(StrToDate(DateToStr(date, settings), settings), date);
    EXPECT_EQ(StrToTime(TimeToStr(time, settings), settings), time);
  }
}

TEST(ShortDateText, IsTodayInTheUsersShortDateFormat) {
  SYSTEMTIME today;
  GetLocalTime(&today);
  const std::string before = PlatformDate(LOCALE_USER_DEFAULT, today);
  const std::string text = ShortDateText(0);
  GetLocalTime(&today);
  // Around midnight the day may turn between the two readings.
  EXPECT_TRUE(text == before || text == PlatformDate(LOCALE_USER_DEFAULT, today)) << text;
}

}  // namespace
}  // namespace pq::win32
