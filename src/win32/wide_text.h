#pragma once
// Text crosses to Windows here: the toolbar keeps UTF-8, the wide system
// calls take UTF-16. Every adapter converts with these two, at the call.
#include <string>
#include <string_view>

namespace pq::win32 {

// UTF-8 as UTF-16, embedded NULs included; bytes that are not UTF-8 become
// U+FFFD.
std::wstring Wide(std::string_view text);
// UTF-16 as UTF-8, embedded NULs included; a lone surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view text);
// A NUL-terminated wide string as UTF-8; null gives the empty text.
std::string Utf8(const wchar_t* text);

}  // namespace pq::win32
