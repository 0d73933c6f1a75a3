#pragma once
// Signatures checked with the system's own cryptography.
#include <string>

namespace pq {

class SignatureVerifier {
 public:
  virtual ~SignatureVerifier() = default;
  // True only when `signature` (r then s, 32 bytes each, big-endian) is an
  // ECDSA signature on the curve P-256 of the SHA-256 hash of `message`, made
  // with the key whose public point is `public_key` (x then y, 32 bytes each,
  // big-endian). Any failure, a malformed key included, is false.
  [[nodiscard]] virtual bool VerifyP256(const std::string& public_key, const std::string& message,
                                        const std::string& signature) = 0;
};

}  // namespace pq
