#pragma once
// Text comparison without regard to case, as the user's locale does it for the
// system's 8-bit code page (Windows-1252: ASCII and the Latin letters above 0xC0).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pq {

namespace text_detail {
constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<unsigned char>(c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7)
      table[c] = static_cast<unsigned char>(c + 32);  // 0xD7 is the multiplication sign
  table[0x8A] = 0x9A;                                 // S caron
  table[0x8C] = 0x9C;                                 // OE
  table[0x8E] = 0x9E;                                 // Z caron
  table[0x9F] = 0xFF;                                 // Y diaeresis
  return table;
}
// Each byte folded to lower case.
inline constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();
}  // namespace text_detail

inline char FoldCase(char c) {  // to lower case
  return static_cast<char>(text_detail::kFold[static_cast<unsigned char>(c)]);
}
int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0

// Equal without regard to case. Quick when the texts are written alike, as
// names mostly are: letters are folded only where the bytes differ.
inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && text_detail::kFold[static_cast<unsigned char>(a[i])] !=
                            text_detail::kFold[static_cast<unsigned char>(b[i])])
      return false;
  return true;
}

// FNV-1a over the folded bytes: texts that SameText equates hash alike.
uint64_t FoldedHash(std::string_view text);

std::string LowerCase(std::string_view text);

}  // namespace pq
