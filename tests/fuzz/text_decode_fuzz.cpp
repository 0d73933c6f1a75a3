// Text as the toolbar meets it: files of any bytes decoded by byte-order mark,
// UTF-8 or the ANSI code page, and the UTF-8 operations on any bytes. The
// first byte chooses the ANSI code page; the rest is the file, and its two
// halves a pair of names to compare.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/code_pages.h"
#include "platform/text.h"

namespace {

using pq::fuzz::Check;

constexpr unsigned kAnsiCodePages[] = {1252, 1251, 932, 1253};

void CheckUtf8Operations(std::string_view bytes) {
  const bool valid = pq::IsValidUtf8(bytes);
  if (pq::IsAscii(bytes)) Check(valid, "ASCII is UTF-8");

  // The code points rebuild the bytes, ill-formed ones byte by byte.
  std::string rebuilt;
  bool met_invalid = false;
  for (size_t at = 0; at < bytes.size();) {
    const size_t before = at;
    const char32_t c = pq::NextCodePoint(bytes, at);
    Check(at > before && at <= bytes.size() && at - before <= 4, "NextCodePoint moves on");
    if (c >= pq::kInvalidByteBase) {
      Check(at == before + 1 && c == pq::kInvalidByteBase + static_cast<unsigned char>(bytes[before]),
            "an ill-formed byte is itself");
      rebuilt += bytes[before];
      met_invalid = true;
    } else {
      const size_t length = rebuilt.size();
      pq::AppendUtf8(rebuilt, c);
      Check(rebuilt.size() - length == at - before, "a code point is as long as its bytes");
    }
  }
  Check(rebuilt == bytes, "code points rebuild the text");
  Check(met_invalid == !valid, "IsValidUtf8 agrees with NextCodePoint");

  // UTF-16 and back: the same text when it is UTF-8, else valid UTF-8.
  const std::string round_trip = pq::Utf16ToUtf8(pq::Utf8ToUtf16(bytes));
  Check(pq::IsValidUtf8(round_trip), "UTF-16 to UTF-8 gives UTF-8");
  Check((round_trip == bytes) == valid, "UTF-8 survives UTF-16 unchanged");

  // The bytes as UTF-16 code units, whatever they hold.
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  const std::string from_units = pq::Utf16ToUtf8(units);
  Check(pq::IsValidUtf8(from_units), "any UTF-16 gives UTF-8");
  // Back to UTF-16, only lone surrogates have changed: to U+FFFD.
  const std::u16string units_again = pq::Utf8ToUtf16(from_units);
  Check(units_again.size() == units.size(), "UTF-16 keeps its length");
  for (size_t i = 0; i < units.size() && units_again.size() == units.size(); ++i)
    Check(units_again[i] == units[i] ||
              (units[i] >= 0xD800 && units[i] <= 0xDFFF && units_again[i] == 0xFFFD),
          "UTF-16 survives UTF-8 but for lone surrogates");

  // Folding.
  const std::string lower = pq::LowerCase(bytes);
  Check(pq::SameText(bytes, lower), "SameText(x, LowerCase(x))");
  Check(pq::SameText(lower, bytes), "SameText(LowerCase(x), x)");
  Check(pq::CompareText(bytes, lower) == 0, "CompareText(x, LowerCase(x)) == 0");
  Check(pq::FoldedHash(bytes) == pq::FoldedHash(lower), "FoldedHash(x) == FoldedHash(LowerCase(x))");
  Check(pq::LowerCase(lower) == lower, "LowerCase is idempotent");
  Check(pq::IsValidUtf8(lower) == valid, "LowerCase keeps UTF-8 UTF-8");
  Check(pq::SameText(bytes, bytes) && pq::CompareText(bytes, bytes) == 0, "a text is itself");
}

void CheckPair(std::string_view a, std::string_view b) {
  const bool same = pq::SameText(a, b);
  const int ab = pq::CompareText(a, b);
  const int ba = pq::CompareText(b, a);
  Check(same == pq::SameText(b, a), "SameText is symmetric");
  Check(same == (ab == 0), "SameText agrees with CompareText");
  Check((ab < 0) == (ba > 0) && (ab == 0) == (ba == 0), "CompareText is antisymmetric");
  Check(same == (pq::LowerCase(a) == pq::LowerCase(b)), "SameText agrees with LowerCase");
  if (same) Check(pq::FoldedHash(a) == pq::FoldedHash(b), "texts SameText equates hash alike");
}

void CheckDecoding(std::string_view file) {
  const pq::DecodedText decoded = pq::DecodeText(file);
  Check(pq::IsValidUtf8(decoded.text), "DecodeText gives UTF-8");
  switch (decoded.encoding) {
    case pq::TextEncoding::Utf8:
      Check(decoded.text == file, "UTF-8 is kept as it is");
      break;
    case pq::TextEncoding::Utf8Bom:
      Check(file.substr(0, 3) == "\xEF\xBB\xBF", "UTF-8 with BOM has its BOM");
      break;
    case pq::TextEncoding::Utf16LeBom:
      Check(file.substr(0, 2) == "\xFF\xFE", "UTF-16 with BOM has its BOM");
      break;
    case pq::TextEncoding::Ansi:
      Check(!pq::IsValidUtf8(file), "only ill-formed UTF-8 is ANSI");
      break;
  }

  // Written back in the encoding it came in (or UTF-8 with BOM when the ANSI
  // code page cannot hold it), the text reads back the same; bytes written in
  // ANSI that happen to be UTF-8 are read as UTF-8, as any reader would.
  pq::TextEncoding encoding = decoded.encoding;
  const std::string written = pq::EncodeText(decoded.text, encoding);
  if (decoded.encoding != pq::TextEncoding::Ansi)
    Check(encoding == decoded.encoding, "only ANSI switches");
  const pq::DecodedText again = pq::DecodeText(written);
  if (encoding != pq::TextEncoding::Ansi || !pq::IsValidUtf8(written)) {
    Check(again.text == decoded.text, "the text reads back the same");
    Check(again.encoding == encoding, "in the encoding it was written in");
  }
  for (pq::TextEncoding other : {pq::TextEncoding::Utf8Bom, pq::TextEncoding::Utf16LeBom}) {
    pq::TextEncoding kept = other;
    Check(pq::DecodeText(pq::EncodeText(decoded.text, kept)).text == decoded.text,
          "UTF-8 and UTF-16 with BOM hold any text");
    Check(kept == other, "UTF-8 and UTF-16 with BOM never switch");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  pq::NativeCodePages code_pages(kAnsiCodePages[data[0] % 4]);
  pq::InstallCodePages(&code_pages);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  CheckUtf8Operations(bytes);
  CheckPair(bytes.substr(0, bytes.size() / 2), bytes.substr(bytes.size() / 2));
  CheckDecoding(bytes);
  pq::InstallCodePages(nullptr);
  return 0;
}
