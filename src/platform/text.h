#pragma once
// Text comparison without regard to case, as the user's locale does it for the
// system's 8-bit code page (Windows-1252: ASCII and the Latin letters above 0xC0).
#include <string>
#include <string_view>

namespace pq {

char FoldCase(char c);  // to lower case
int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0
inline bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}
std::string LowerCase(std::string_view text);

}  // namespace pq
