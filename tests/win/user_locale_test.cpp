// The regional forms taken from a locale, against what the locale reports
// and against the platform's own formatting.
#include "win32/user_locale.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

std::string Reported(LCID locale, LCTYPE type) {
  wchar_t text[128] = {};
  EXPECT_GT(GetLocaleInfoW(locale, type, text, 128), 0) << type;
  return Utf8(text);
}

std::string PlatformDate(LCID locale, const SYSTEMTIME& day) {
  wchar_t text[128] = {};
  GetDateFormatW(locale, DATE_SHORTDATE, &day, nullptr, text, 128);
  return Utf8(text);
}

// Each setting is what the locale reports; dates and times write as the
// platform writes them and read back, numbers with the locale's separator.
TEST(LocaleFormatSettings, TakesTheLocalesFormsWhichWriteAsThePlatformsAndReadBack) {
  const struct {
    const char* name;
    LCID locale;
    char decimal, date;  // the separators known of the locale; 0: not fixed
  } locales[] = {
      {"user default", LOCALE_USER_DEFAULT, 0, 0},
      {"en-US", MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), '.', 0},
      {"de-DE", MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT), ',', '.'},
      {"fr-FR", MAKELCID(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), SORT_DEFAULT), 0, 0},
      {"en-GB", MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), SORT_DEFAULT), 0, 0},
      {"ja-JP", MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT), 0, 0},
  };
  const SYSTEMTIME moment{2024, 3, 0, 7, 15, 4, 9, 0};
  const TDateTime date = *TryEncodeDate(2024, 3, 7);
  const TDateTime time = *TryEncodeTime(15, 4, 9, 0);
  for (const auto& l : locales) {
    SCOPED_TRACE(l.name);
    const FormatSettings settings = LocaleFormatSettings(l.locale);
    EXPECT_EQ(settings.DateSeparator, Reported(l.locale, LOCALE_SDATE)[0]);
    EXPECT_EQ(settings.ShortDateFormat, Reported(l.locale, LOCALE_SSHORTDATE));
    EXPECT_EQ(settings.TimeSeparator, Reported(l.locale, LOCALE_STIME)[0]);
    EXPECT_EQ(settings.TimeFormat, Reported(l.locale, LOCALE_STIMEFORMAT));
    EXPECT_EQ(settings.DecimalSeparator, Reported(l.locale, LOCALE_SDECIMAL)[0]);
    EXPECT_EQ(settings.TimeAMString, Reported(l.locale, LOCALE_S1159));
    EXPECT_EQ(settings.TimePMString, Reported(l.locale, LOCALE_S2359));
    if (l.decimal) {
      EXPECT_EQ(settings.DecimalSeparator, l.decimal);
    }
    if (l.date) {
      EXPECT_EQ(settings.DateSeparator, l.date);
    }

    const std::string two_and_a_half = std::string("2") + settings.DecimalSeparator + "5";
    EXPECT_EQ(FloatToStr(2.5, settings), two_and_a_half);
    EXPECT_EQ(StrToFloat(two_and_a_half, settings), 2.5);
    EXPECT_EQ(DateToStr(date, settings), PlatformDate(l.locale, moment));
    wchar_t platform_time[128] = {};
    GetTimeFormatW(l.locale, 0, &moment, nullptr, platform_time, 128);
    EXPECT_EQ(TimeToStr(time, settings), Utf8(platform_time));
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
