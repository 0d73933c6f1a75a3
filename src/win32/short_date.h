#pragma once
#include <string>

namespace pq::win32 {

// Today's date moved by `days`, in the short date format of the user's locale.
std::string ShortDateText(int days);

}  // namespace pq::win32
