#pragma once
// Signatures checked with OpenSSL's libcrypto: the native check's stand-in for
// Windows' cryptography, so that --online can tell a signature that verifies.
#include "platform/signature_verifier.h"

namespace pq::check {

class OpenSslVerifier final : public SignatureVerifier {
 public:
  bool VerifyP256(const std::string& public_key, const std::string& message,
                  const std::string& signature) override;
};

}  // namespace pq::check
