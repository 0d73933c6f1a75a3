#pragma once
// What the user's locale says of dates, times and numbers.
#include <windows.h>

#include <string>

#include "platform/date_time.h"

namespace pq::win32 {

// Today's date moved by `days`, in the short date format of the user's locale.
std::string ShortDateText(int days);

// A locale's date and time pictures, separators, decimal separator and AM/PM
// designators; US English for whatever the locale does not tell.
FormatSettings LocaleFormatSettings(LCID locale);

}  // namespace pq::win32
