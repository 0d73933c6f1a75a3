// The signature served beside an update: a DER ECDSA-Sig-Value that the
// network may have replaced by anything. What is accepted must be the one
// minimal encoding of its two numbers, and the decision on the update must
// follow from it and from the verifier alone.
#include <optional>
#include <string>

#include "config/update_signature.h"
#include "fuzz_support.h"

namespace {

using pq::fuzz::Check;

constexpr size_t kCoordinateSize = 32;

// One INTEGER of a 32-byte unsigned number, minimally encoded; none for zero.
std::optional<std::string> DerInteger(std::string_view number) {
  const size_t first = number.find_first_not_of('\0');
  if (first == std::string_view::npos) return std::nullopt;
  std::string value(number.substr(first));
  if (static_cast<unsigned char>(value[0]) & 0x80) value.insert(value.begin(), '\0');
  return std::string{'\x02', static_cast<char>(value.size())} + value;
}

std::optional<std::string> DerSignature(std::string_view raw) {
  const std::optional<std::string> r = DerInteger(raw.substr(0, kCoordinateSize));
  const std::optional<std::string> s = DerInteger(raw.substr(kCoordinateSize));
  if (!r || !s) return std::nullopt;
  return std::string{'\x30', static_cast<char>(r->size() + s->size())} + *r + *s;
}

// Answers as told and remembers what it was asked.
class ScriptedVerifier : public pq::SignatureVerifier {
 public:
  explicit ScriptedVerifier(bool answer) : answer_(answer) {}
  bool VerifyP256(const std::string& public_key, const std::string& message,
                  const std::string& signature) override {
    ++asked;
    key = public_key;
    update = message;
    raw = signature;
    return answer_;
  }
  int asked = 0;
  std::string key, update, raw;

 private:
  bool answer_;
};

// The P-256 key whose point is 64 bytes of 0x5A, as its "Update Key" line.
const std::string kKeyText =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpaWlpa"
    "WlpaWlpaWlpaWlpaWlpaWlpaWlpaWg==";
const std::string kPoint(64, '\x5A');

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(pq::fuzz::AsText(data, size));

  const std::optional<std::string> raw = pq::RawSignatureFromDer(input);
  if (raw) {
    Check(raw->size() == 2 * kCoordinateSize, "a decoded signature is 64 bytes");
    Check(DerSignature(*raw) == input, "an accepted signature is the minimal DER of r and s");
  }
  std::string numbers = input.substr(0, 2 * kCoordinateSize);
  numbers.resize(2 * kCoordinateSize, '\x01');
  if (const std::optional<std::string> der = DerSignature(numbers))
    Check(pq::RawSignatureFromDer(*der) == numbers, "every minimal DER signature is read");

  Check(pq::ParseUpdateKey(kKeyText) == kPoint, "the fixed key is a key");
  const std::string update = "[Options]\r\nUpdate Key=" + kKeyText + "\r\n";
  for (const bool answer : {true, false}) {
    ScriptedVerifier verifier(answer);
    const pq::UpdateTrust trust = pq::JudgeUpdate(&verifier, kKeyText, update, input);
    Check(verifier.asked == (raw ? 1 : 0), "the verifier is asked only about a readable signature");
    if (raw)
      Check(verifier.key == kPoint && verifier.update == update && verifier.raw == *raw,
            "the verifier gets the key's point, the update's bytes and r and s");
    Check(trust == (raw && answer ? pq::UpdateTrust::Signed : pq::UpdateTrust::Refused),
          "an update is signed exactly when its signature reads and verifies");
    Check(pq::JudgeUpdate(&verifier, kKeyText, update, std::nullopt) == pq::UpdateTrust::Refused,
          "a missing signature is refused while a key is in force");
    Check(pq::JudgeUpdate(&verifier, " \t\r\n", update, input) == pq::UpdateTrust::Unsigned,
          "without a key no signature is needed");
    Check(verifier.asked == (raw ? 1 : 0), "nothing else asks the verifier");
  }
  return 0;
}
