#include "check/openssl_verifier.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace pq::check {
namespace {

// The DER SubjectPublicKeyInfo of a P-256 key up to its uncompressed point.
constexpr unsigned char kSpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                         0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                         0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
constexpr size_t kHalf = 32;

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct SigFree {
  void operator()(ECDSA_SIG* sig) const { ECDSA_SIG_free(sig); }
};
struct MdFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

bool OpenSslVerifier::VerifyP256(const std::string& public_key, const std::string& message,
                                 const std::string& signature) {
  if (public_key.size() != 2 * kHalf || signature.size() != 2 * kHalf) return false;
  std::string spki(reinterpret_cast<const char*>(kSpkiPrefix), sizeof kSpkiPrefix);
  spki += public_key;
  const unsigned char* at = Bytes(spki);
  std::unique_ptr<EVP_PKEY, PkeyFree> key(d2i_PUBKEY(nullptr, &at, static_cast<long>(spki.size())));
  if (!key) return false;

  std::unique_ptr<ECDSA_SIG, SigFree> sig(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(Bytes(signature), kHalf, nullptr);
  BIGNUM* s = BN_bin2bn(Bytes(signature) + kHalf, kHalf, nullptr);
  if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return false;
  }
  unsigned char* der = nullptr;
  const int der_size = i2d_ECDSA_SIG(sig.get(), &der);
  if (der_size <= 0) return false;
  const std::string der_signature(reinterpret_cast<const char*>(der), static_cast<size_t>(der_size));
  OPENSSL_free(der);

  std::unique_ptr<EVP_MD_CTX, MdFree> context(EVP_MD_CTX_new());
  return context &&
         EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
         EVP_DigestVerify(context.get(), Bytes(der_signature), der_signature.size(),
                          Bytes(message), message.size()) == 1;
}

}  // namespace pq::check
