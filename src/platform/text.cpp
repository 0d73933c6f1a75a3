#include "platform/text.h"

#include <array>

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

using text_detail::kFold;

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])])
      return false;
  return true;
}

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int x = kFold[static_cast<unsigned char>(a[i])];
    const int y = kFold[static_cast<unsigned char>(b[i])];
    if (x != y) return x - y;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

uint64_t FoldedHash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash ^= kFold[static_cast<unsigned char>(c)];
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
  return result;
}

}  // namespace pq
