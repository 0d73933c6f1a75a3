#include "win32/win32_signature_verifier.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <bcrypt.h>

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "win32/handles.h"

namespace pq::win32 {
namespace {

void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) { BCryptCloseAlgorithmProvider(algorithm, 0); }

using unique_algorithm = unique_handle<BCRYPT_ALG_HANDLE, &CloseAlgorithm>;
using unique_key = unique_handle<BCRYPT_KEY_HANDLE, &BCryptDestroyKey>;
using unique_hash = unique_handle<BCRYPT_HASH_HANDLE, &BCryptDestroyHash>;

constexpr size_t kCoordinateSize = 32;
using Digest = std::array<UCHAR, 32>;

std::optional<Digest> Sha256(const std::string& message) {
  unique_algorithm algorithm;
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return std::nullopt;
  // Windows 7 wants the memory of the hash object from the caller; it must
  // outlive the hash, which is declared after it.
  DWORD object_size = 0;
  ULONG written = 0;
  if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&object_size), sizeof object_size,
                                        &written, 0)))
    return std::nullopt;
  std::vector<UCHAR> object(object_size);
  unique_hash hash;
  if (!BCRYPT_SUCCESS(
          BCryptCreateHash(algorithm.get(), hash.put(), object.data(), object_size, nullptr, 0, 0)))
    return std::nullopt;
  // A configuration is far smaller than what one call takes.
  std::vector<UCHAR> data(message.begin(), message.end());
  if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), data.data(), static_cast<ULONG>(data.size()), 0)))
    return std::nullopt;
  Digest digest{};
  if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), digest.size(), 0)))
    return std::nullopt;
  return digest;
}

}  // namespace

bool Win32SignatureVerifier::VerifyP256(const std::string& public_key, const std::string& message,
                                        const std::string& signature) {
  if (public_key.size() != 2 * kCoordinateSize || signature.size() != 2 * kCoordinateSize ||
      message.size() > MAXLONG)
    return false;
  const std::optional<Digest> digest = Sha256(message);
  if (!digest) return false;

  unique_algorithm ecdsa;
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(ecdsa.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
    return false;
  std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + public_key.size());
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateSize};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, public_key.data(), public_key.size());
  unique_key key;
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(),
                                          blob.data(), static_cast<ULONG>(blob.size()), 0)))
    return false;
  std::vector<UCHAR> rs(signature.begin(), signature.end());
  Digest hashed = *digest;
  return BCryptVerifySignature(key.get(), nullptr, hashed.data(), hashed.size(), rs.data(),
                               static_cast<ULONG>(rs.size()), 0) == 0;
}

}  // namespace pq::win32
