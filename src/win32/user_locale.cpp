#include "win32/user_locale.h"

#include <optional>

#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

// Text from a call of the platform's two-step form: asked for the size with
// no buffer first, then filled; sizes count the terminating NUL. None when the
// call fails.
template <typename Fill>
std::optional<std::string> SizedText(Fill fill) {
  const int size = fill(nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring text(static_cast<size_t>(size), L'\0');
  const int written = fill(text.data(), size);
  if (written <= 0) return std::nullopt;
  text.resize(static_cast<size_t>(written - 1));
  return Utf8(text);
}

std::optional<std::string> LocaleText(LCID locale, LCTYPE type) {
  return SizedText(
      [&](wchar_t* buffer, int size) { return GetLocaleInfoW(locale, type, buffer, size); });
}

void TakeText(LCID locale, LCTYPE type, std::string& into) {
  if (std::optional<std::string> text = LocaleText(locale, type)) into = *text;
}

// The pictures take one byte for a separator: an ASCII one.
void TakeSeparator(LCID locale, LCTYPE type, char& into) {
  std::optional<std::string> text = LocaleText(locale, type);
  if (text && !text->empty() && static_cast<unsigned char>(text->front()) < 0x80)
    into = text->front();
}

}  // namespace

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
  return SizedText([&](wchar_t* buffer, int size) {
           return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, buffer, size);
         })
      .value_or(std::string());
}

FormatSettings LocaleFormatSettings(LCID locale) {
  FormatSettings settings;
  TakeSeparator(locale, LOCALE_SDATE, settings.DateSeparator);
  TakeText(locale, LOCALE_SSHORTDATE, settings.ShortDateFormat);
  TakeSeparator(locale, LOCALE_STIME, settings.TimeSeparator);
  TakeText(locale, LOCALE_STIMEFORMAT, settings.TimeFormat);
  TakeSeparator(locale, LOCALE_SDECIMAL, settings.DecimalSeparator);
  // Empty in locales that count the hours to 24.
  TakeText(locale, LOCALE_S1159, settings.TimeAMString);
  TakeText(locale, LOCALE_S2359, settings.TimePMString);
  return settings;
}

}  // namespace pq::win32
