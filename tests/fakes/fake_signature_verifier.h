#pragma once
// A verifier that knows the signatures the test made: Sign hands out a
// made-up signature for a key and a message, and only such a signature
// verifies, for that key and exactly that message. What was asked is recorded.
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/signature_verifier.h"

namespace pq::fakes {

class FakeSignatureVerifier : public SignatureVerifier {
 public:
  // r then s, 32 bytes each, neither beginning with a zero byte.
  std::string Sign(const std::string& public_key, const std::string& message) {
    std::string signature(64, '\0');
    const uint32_t n = ++made_;
    // The first bytes count the signatures made, so that no two are alike.
    uint32_t count = n;
    for (size_t i = 0; i < signature.size(); ++i) {
      signature[i] = static_cast<char>(0x40 + (i < 4 ? count % 0x3F : (n * 7 + i) % 0x3F));
      if (i < 4) count /= 0x3F;
    }
    made.emplace(public_key, message, signature);
    return signature;
  }

  bool VerifyP256(const std::string& public_key, const std::string& message,
                  const std::string& signature) override {
    asked.emplace_back(public_key, message, signature);
    return made.count({public_key, message, signature}) > 0;
  }

  std::set<std::tuple<std::string, std::string, std::string>> made;
  std::vector<std::tuple<std::string, std::string, std::string>> asked;

 private:
  uint32_t made_ = 0;
};

}  // namespace pq::fakes
