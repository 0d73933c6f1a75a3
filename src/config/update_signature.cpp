#include "config/update_signature.h"

#include <array>

namespace pq {
namespace {

// SEQUENCE { SEQUENCE { OID ecPublicKey, OID prime256v1 }, BIT STRING { 0, 0x04 ... } }:
// everything of a P-256 SubjectPublicKeyInfo before the point's coordinates.
constexpr std::array<unsigned char, 27> kP256SpkiPrefix = {
    0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01, 0x06,
    0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
constexpr size_t kCoordinateSize = 32;

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// One DER INTEGER at `pos` as a 32-byte big-endian number; advances `pos`.
std::optional<std::string> Coordinate(std::string_view der, size_t& pos) {
  if (pos + 2 > der.size() || static_cast<unsigned char>(der[pos]) != 0x02) return std::nullopt;
  const size_t length = static_cast<unsigned char>(der[pos + 1]);
  pos += 2;
  if (length == 0 || length > kCoordinateSize + 1 || pos + length > der.size()) return std::nullopt;
  std::string_view value = der.substr(pos, length);
  pos += length;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(value[i]); };
  if (byte(0) & 0x80) return std::nullopt;                                   // negative
  if (length > 1 && byte(0) == 0 && !(byte(1) & 0x80)) return std::nullopt;  // not minimal
  if (byte(0) == 0 && length > 1) value.remove_prefix(1);
  if (value.size() > kCoordinateSize) return std::nullopt;
  if (value.find_first_not_of('\0') == std::string_view::npos) return std::nullopt;  // zero
  return std::string(kCoordinateSize - value.size(), '\0') + std::string(value);
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  size_t padding = 0;
  while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  uint32_t bits = 0;
  int count = 0;
  for (size_t i = 0; i < text.size() - padding; ++i) {
    const int value = Base64Value(text[i]);
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    if (++count == 4) {
      bytes.push_back(static_cast<char>(bits >> 16));
      bytes.push_back(static_cast<char>(bits >> 8));
      bytes.push_back(static_cast<char>(bits));
      bits = 0;
      count = 0;
    }
  }
  // What the padding leaves of the last group: 2 or 3 characters, whose
  // spare low bits must be zero.
  if (count == 2) {
    if (bits & 0x0F) return std::nullopt;
    bytes.push_back(static_cast<char>(bits >> 4));
  } else if (count == 3) {
    if (bits & 0x03) return std::nullopt;
    bytes.push_back(static_cast<char>(bits >> 10));
    bytes.push_back(static_cast<char>(bits >> 2));
  } else if (count != 0) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::string> P256PointFromSpki(std::string_view der) {
  if (der.size() != kP256SpkiPrefix.size() + 2 * kCoordinateSize) return std::nullopt;
  for (size_t i = 0; i < kP256SpkiPrefix.size(); ++i)
    if (static_cast<unsigned char>(der[i]) != kP256SpkiPrefix[i]) return std::nullopt;
  return std::string(der.substr(kP256SpkiPrefix.size()));
}

std::optional<std::string> ParseUpdateKey(std::string_view value) {
  const std::optional<std::string> der = DecodeBase64(Trimmed(value));
  if (!der) return std::nullopt;
  return P256PointFromSpki(*der);
}

std::optional<std::string> RawSignatureFromDer(std::string_view der) {
  if (der.size() < 2 || static_cast<unsigned char>(der[0]) != 0x30) return std::nullopt;
  const size_t length = static_cast<unsigned char>(der[1]);
  if (length & 0x80 || der.size() != 2 + length) return std::nullopt;  // short form only
  size_t pos = 2;
  const std::optional<std::string> r = Coordinate(der, pos);
  if (!r) return std::nullopt;
  const std::optional<std::string> s = Coordinate(der, pos);
  if (!s || pos != der.size()) return std::nullopt;
  return *r + *s;
}

bool RequiresSignature(std::string_view update_key) { return !Trimmed(update_key).empty(); }

UpdateTrust JudgeUpdate(SignatureVerifier* verifier, std::string_view update_key,
                        const std::string& update, const std::optional<std::string>& signature) {
  if (!RequiresSignature(update_key)) return UpdateTrust::Unsigned;
  const std::optional<std::string> key = ParseUpdateKey(update_key);
  if (!key || !signature || !verifier) return UpdateTrust::Refused;
  const std::optional<std::string> raw = RawSignatureFromDer(*signature);
  if (!raw) return UpdateTrust::Refused;
  return verifier->VerifyP256(*key, update, *raw) ? UpdateTrust::Signed : UpdateTrust::Refused;
}

}  // namespace pq
