#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

namespace pq {
namespace {

// ASCII letters folded; every other byte is itself (bytes from 0x80 on are
// decoded before they are folded).
constexpr std::array<unsigned char, 256> MakeAsciiFold() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<unsigned char>(c + 32);
  return table;
}
constexpr std::array<unsigned char, 256> kAsciiFold = MakeAsciiFold();

inline unsigned char Byte(std::string_view text, size_t at) {
  return static_cast<unsigned char>(text[at]);
}

// Eight bytes from `p`, for testing their high bits at once.
inline uint64_t Load8(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// The length of the ASCII run that starts the text.
size_t AsciiPrefix(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8)
    if (Load8(p + i) & kHighBits) break;
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

// Decodes the multi-byte sequence that starts at `at` (whose first byte is
// 0x80 or above) by Table 3-7 of the Unicode Standard. On success returns
// the code point and sets `length` to its bytes; on failure returns
// kInvalidByteBase + the first byte and sets `length` to the maximal subpart
// of an ill-formed sequence (at least one byte), as U+FFFD replaces it.
char32_t DecodeMultiByte(std::string_view text, size_t at, size_t& length) {
  const size_t n = text.size();
  const unsigned char lead = Byte(text, at);
  const char32_t invalid = kInvalidByteBase + lead;
  length = 1;
  size_t count;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  char32_t code_point;
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;         // no overlong forms
    else if (lead == 0xED) high = 0x9F;   // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;         // no overlong forms
    else if (lead == 0xF4) high = 0x8F;   // nothing above U+10FFFF
  } else {
    return invalid;  // a continuation byte, C0, C1 or F5..FF
  }
  for (size_t k = 1; k < count; ++k) {
    if (at + k >= n) return invalid;
    const unsigned char c = Byte(text, at + k);
    if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return invalid;
    code_point = (code_point << 6) | (c & 0x3F);
    length = k + 1;  // the maximal subpart so far
  }
  length = count;
  return code_point;
}

struct FoldRange {
  uint32_t first : 21;
  uint32_t span : 10;    // last - first
  uint32_t stride2 : 1;  // every other code point
  int32_t delta;
};
constexpr FoldRange kFoldRanges[] = {
#include "platform/case_folding_table.inc"
};

constexpr bool FoldRangesSorted() {
  for (size_t i = 1; i < std::size(kFoldRanges); ++i)
    if (kFoldRanges[i].first <= kFoldRanges[i - 1].first + kFoldRanges[i - 1].span) return false;
  return true;
}
static_assert(FoldRangesSorted(), "case_folding_table.inc must hold sorted, disjoint ranges");

// The code point that starts at `at` folded, moving `at` past it; ASCII
// without a call.
inline char32_t NextFolded(std::string_view text, size_t& at) {
  const unsigned char c = Byte(text, at);
  if (c < 0x80) {
    ++at;
    return kAsciiFold[c];
  }
  return FoldCodePoint(NextCodePoint(text, at));
}

// Compares by folded code points from the given places on, where both texts
// are at the start of a code point.
int CompareFolded(std::string_view a, size_t i, std::string_view b, size_t j) {
  while (i < a.size() && j < b.size()) {
    const char32_t x = NextFolded(a, i);
    const char32_t y = NextFolded(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  return i < a.size() ? 1 : (j < b.size() ? -1 : 0);
}

// Where the code point that holds byte `at` of `text` starts, when bytes up
// to `at` are alike in two texts but for ASCII letters of other case: after
// the last ASCII byte before it, since no sequence holds an ASCII byte.
inline size_t CodePointStart(std::string_view text, size_t at) {
  while (at > 0 && Byte(text, at - 1) >= 0x80) --at;
  return at;
}

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

inline uint64_t HashByte(uint64_t hash, unsigned char byte) {
  return (hash ^ byte) * kFnvPrime;
}

}  // namespace

bool IsAscii(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  size_t i = 0;
  uint64_t high = 0;
  for (; i + 32 <= n; i += 32) {
    high |= Load8(p + i) | Load8(p + i + 8) | Load8(p + i + 16) | Load8(p + i + 24);
    if (high & kHighBits) return false;
  }
  for (; i + 8 <= n; i += 8) high |= Load8(p + i);
  for (; i < n; ++i) high |= static_cast<unsigned char>(p[i]);
  return (high & kHighBits) == 0;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    if (Byte(bytes, i) < 0x80) {
      i += AsciiPrefix(bytes.substr(i));
      continue;
    }
    size_t length;
    if (DecodeMultiByte(bytes, i, length) >= kInvalidByteBase) return false;
    i += length;
  }
  return true;
}

char32_t NextCodePoint(std::string_view text, size_t& at) {
  const unsigned char c = Byte(text, at);
  if (c < 0x80) {
    ++at;
    return c;
  }
  size_t length;
  const char32_t code_point = DecodeMultiByte(text, at, length);
  at += code_point >= kInvalidByteBase ? 1 : length;
  return code_point;
}

void AppendUtf8(std::string& out, char32_t code_point) {
  if ((code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF)
    code_point = kReplacementCharacter;
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    const char bytes[] = {static_cast<char>(0xC0 | (code_point >> 6)),
                          static_cast<char>(0x80 | (code_point & 0x3F))};
    out.append(bytes, 2);
  } else if (code_point < 0x10000) {
    const char bytes[] = {static_cast<char>(0xE0 | (code_point >> 12)),
                          static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (code_point & 0x3F))};
    out.append(bytes, 3);
  } else {
    const char bytes[] = {static_cast<char>(0xF0 | (code_point >> 18)),
                          static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)),
                          static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (code_point & 0x3F))};
    out.append(bytes, 4);
  }
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const unsigned char c = Byte(text, i);
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    size_t length;
    char32_t code_point = DecodeMultiByte(text, i, length);
    i += length;  // an ill-formed sequence's maximal subpart is one U+FFFD
    if (code_point >= kInvalidByteBase) code_point = kReplacementCharacter;
    if (code_point < 0x10000) {
      out += static_cast<char16_t>(code_point);
    } else {
      code_point -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code_point >> 10));
      out += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char32_t unit = text[i];
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit);  // a lone surrogate appends U+FFFD
    }
  }
  return out;
}

char32_t FoldCodePoint(char32_t code_point) {
  if (code_point < 0x80) return kAsciiFold[code_point];
  // The last range that starts at or before the code point.
  const FoldRange* end = std::end(kFoldRanges);
  const FoldRange* range = std::upper_bound(
      std::begin(kFoldRanges), end, code_point,
      [](char32_t c, const FoldRange& r) { return c < static_cast<char32_t>(r.first); });
  if (range == std::begin(kFoldRanges)) return code_point;
  --range;
  const char32_t offset = code_point - range->first;
  if (offset > range->span || (range->stride2 && (offset & 1))) return code_point;
  return static_cast<char32_t>(static_cast<int32_t>(code_point) + range->delta);
}

// CompareText from the code point that holds byte `at` on, where the texts
// are alike before it but for the case of ASCII letters; out of line, to keep
// the common case's loop lean.
[[gnu::noinline]] static int CompareTextFrom(std::string_view a, std::string_view b, size_t at) {
  // When one text is the other's start but for case and ends after an ASCII
  // byte, the longer goes on.
  if (at == std::min(a.size(), b.size()) && (at == 0 || Byte(a, at - 1) < 0x80))
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  const size_t start = CodePointStart(a, at);
  return CompareFolded(a, start, b, start);
}

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i + 8 <= n && Load8(a.data() + i) == Load8(b.data() + i)) i += 8;  // alike at once
  for (; i < n; ++i) {
    // kAsciiFold leaves bytes from 0x80 on as they are, so that bytes that
    // fold alike are ASCII letters alike but for case, or the same byte.
    const int x = kAsciiFold[Byte(a, i)];
    const int y = kAsciiFold[Byte(b, i)];
    if (x != y) return (x | y) >= 0x80 ? CompareTextFrom(a, b, i) : x - y;
  }
  return a.size() == b.size() ? 0 : CompareTextFrom(a, b, n);
}

// SameText from the code point that holds byte `at` on, where the texts are
// alike before it but for the case of ASCII letters; out of line, to keep
// the common case's loop lean.
[[gnu::noinline]] static bool SameTextFrom(std::string_view a, std::string_view b, size_t at) {
  const size_t start = CodePointStart(a, at);
  return CompareFolded(a, start, b, start) == 0;
}

// SameText of texts of other lengths: folding changes the length of a few
// characters (U+212A KELVIN SIGN is three bytes, its k one).
[[gnu::noinline]] static bool SameTextOtherLengths(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return false;
  // Texts that end in ASCII characters of their own are not alike. (The one
  // ASCII letters that a character of another length folds to are k and s.)
  const unsigned char last_a = kAsciiFold[Byte(a, a.size() - 1)];
  const unsigned char last_b = kAsciiFold[Byte(b, b.size() - 1)];
  if (last_a != last_b && (last_a | last_b) < 0x80) return false;
  // Folding maps code points one to one, and a text of n bytes holds at most
  // n code points: an ASCII text (n code points) equals no shorter one.
  if (IsAscii(a.size() > b.size() ? a : b)) return false;
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = Byte(a, i);
    const unsigned char y = Byte(b, i);
    if (x == y) continue;
    if ((x | y) >= 0x80) return SameTextFrom(a, b, i);
    if (kAsciiFold[x] != kAsciiFold[y]) return false;
  }
  // One is the other's start but for case; the code point that holds the
  // last common byte may go on in the longer.
  return SameTextFrom(a, b, n);
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return SameTextOtherLengths(a, b);
  const size_t n = a.size();
  size_t i = 0;
  while (i + 8 <= n && Load8(a.data() + i) == Load8(b.data() + i)) i += 8;  // alike at once
  for (; i < n; ++i) {
    const unsigned char x = Byte(a, i);
    const unsigned char y = Byte(b, i);
    if (x != y && kAsciiFold[x] != kAsciiFold[y])
      return (x | y) >= 0x80 ? SameTextFrom(a, b, i) : false;
  }
  return true;
}

[[gnu::noinline]] static uint64_t FoldedHashOfUnicode(std::string_view text) {
  // The FNV-1a hash of the folded text's UTF-8; an ill-formed byte hashes as
  // itself followed by 0xFF, a byte that UTF-8 never holds.
  uint64_t hash = kFnvOffset;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = Byte(text, i);
    if (c < 0x80) {
      hash = HashByte(hash, kAsciiFold[c]);
      ++i;
      continue;
    }
    const char32_t code_point = NextCodePoint(text, i);
    if (code_point >= kInvalidByteBase) {
      hash = HashByte(HashByte(hash, c), 0xFF);
      continue;
    }
    char folded[4];
    const char32_t f = FoldCodePoint(code_point);
    size_t length;
    if (f < 0x80) {
      folded[0] = static_cast<char>(f);
      length = 1;
    } else if (f < 0x800) {
      folded[0] = static_cast<char>(0xC0 | (f >> 6));
      folded[1] = static_cast<char>(0x80 | (f & 0x3F));
      length = 2;
    } else if (f < 0x10000) {
      folded[0] = static_cast<char>(0xE0 | (f >> 12));
      folded[1] = static_cast<char>(0x80 | ((f >> 6) & 0x3F));
      folded[2] = static_cast<char>(0x80 | (f & 0x3F));
      length = 3;
    } else {
      folded[0] = static_cast<char>(0xF0 | (f >> 18));
      folded[1] = static_cast<char>(0x80 | ((f >> 12) & 0x3F));
      folded[2] = static_cast<char>(0x80 | ((f >> 6) & 0x3F));
      folded[3] = static_cast<char>(0x80 | (f & 0x3F));
      length = 4;
    }
    for (size_t k = 0; k < length; ++k) hash = HashByte(hash, static_cast<unsigned char>(folded[k]));
  }
  return hash;
}

uint64_t FoldedHash(std::string_view text) {
  // ASCII folds byte by byte; a text that turns out to hold more is hashed
  // again by code points, as the same hash of its folded UTF-8.
  uint64_t hash = kFnvOffset;
  unsigned char seen = 0;
  for (char byte : text) {
    const unsigned char c = static_cast<unsigned char>(byte);
    seen |= c;
    hash = HashByte(hash, kAsciiFold[c]);
  }
  return seen < 0x80 ? hash : FoldedHashOfUnicode(text);
}

std::string LowerCase(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = Byte(text, i);
    if (c < 0x80) {
      result += static_cast<char>(kAsciiFold[c]);
      ++i;
      continue;
    }
    const size_t start = i;
    const char32_t code_point = NextCodePoint(text, i);
    if (code_point >= kInvalidByteBase) {
      result += text[start];  // an ill-formed byte stays as it is
      continue;
    }
    const char32_t folded = FoldCodePoint(code_point);
    if (folded == code_point)
      result.append(text, start, i - start);
    else
      AppendUtf8(result, folded);
  }
  return result;
}

}  // namespace pq
