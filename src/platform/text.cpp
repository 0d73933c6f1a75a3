#include "platform/text.h"

#include <array>

namespace pq {
namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<unsigned char>(c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) table[c] = static_cast<unsigned char>(c + 32);  // 0xD7 is the multiplication sign
  table[0x8A] = 0x9A;  // S caron
  table[0x8C] = 0x9C;  // OE
  table[0x8E] = 0x9E;  // Z caron
  table[0x9F] = 0xFF;  // Y diaeresis
  return table;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

}  // namespace

char FoldCase(char c) { return static_cast<char>(kFold[static_cast<unsigned char>(c)]); }

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int x = kFold[static_cast<unsigned char>(a[i])];
    const int y = kFold[static_cast<unsigned char>(b[i])];
    if (x != y) return x - y;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = FoldCase(c);
  return result;
}

}  // namespace pq
