#pragma once
#include "platform/signature_verifier.h"

namespace pq::win32 {

// Signatures checked with the system's cryptography (CNG), which Windows has
// had since Vista: SHA-256 and ECDSA on P-256.
class Win32SignatureVerifier final : public SignatureVerifier {
 public:
  bool VerifyP256(const std::string& public_key, const std::string& message,
                  const std::string& signature) override;
};

}  // namespace pq::win32
