// The "Update Key" of a configuration that the network may have replaced:
// base64, then a P-256 SubjectPublicKeyInfo. Whatever is accepted is checked
// against an independent encoder, and the input's bytes are also encoded and
// decoded the other way round.
#include <array>
#include <optional>
#include <string>

#include "config/update_signature.h"
#include "fuzz_support.h"

namespace {

using pq::fuzz::Check;

std::string Base64(std::string_view bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                           static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) text += kAlphabet[(group >> shift) & 0x3F];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (rest == 2) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    text += kAlphabet[(group >> 18) & 0x3F];
    text += kAlphabet[(group >> 12) & 0x3F];
    text += rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    text += '=';
  }
  return text;
}

// A P-256 public key as "openssl pkey -pubout" writes it, before the point.
const std::string kSpkiPrefix(
    "\x30\x59\x30\x13\x06\x07\x2a\x86\x48\xce\x3d\x02\x01\x06\x08\x2a\x86\x48\xce\x3d\x03\x01\x07"
    "\x03\x42\x00\x04",
    27);
constexpr size_t kPointSize = 64;

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = pq::fuzz::AsText(data, size);

  // Only the canonical text of some bytes decodes, and to those bytes.
  if (const std::optional<std::string> bytes = pq::DecodeBase64(input))
    Check(Base64(*bytes) == input, "a decoded text is the canonical base64 of its bytes");
  if (!input.empty())
    Check(pq::DecodeBase64(Base64(input)) == std::string(input),
          "any bytes come back from their base64");

  // A key is 91 bytes, the point its last 64, behind the one fixed prefix.
  if (const std::optional<std::string> point = pq::P256PointFromSpki(input)) {
    Check(point->size() == kPointSize, "a decoded key point is 64 bytes");
    Check(kSpkiPrefix + *point == input, "an accepted key is the prefix and its point");
  }
  std::string point = std::string(input.substr(0, kPointSize));
  point.resize(kPointSize, '\x5A');
  Check(pq::P256PointFromSpki(kSpkiPrefix + point) == point, "every point of the prefix is read");

  // The "Update Key" value: the two steps above, blanks around it ignored.
  const std::optional<std::string> key = pq::ParseUpdateKey(input);
  if (key) {
    Check(key->size() == kPointSize, "a parsed update key is 64 bytes");
    size_t begin = 0, end = input.size();
    while (begin < end && IsBlankOrControl(input[begin])) ++begin;
    while (end > begin && IsBlankOrControl(input[end - 1])) --end;
    const std::optional<std::string> der = pq::DecodeBase64(input.substr(begin, end - begin));
    Check(der && pq::P256PointFromSpki(*der) == key, "an update key is its trimmed text decoded");
    Check(pq::RequiresSignature(input), "a valid key asks for signatures");
  }
  const std::string written = " \t" + Base64(kSpkiPrefix + point) + "\r\n";
  Check(pq::ParseUpdateKey(written) == point, "a key as a publisher writes it is read");
  return 0;
}
