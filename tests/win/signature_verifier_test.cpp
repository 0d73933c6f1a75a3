// The system's own check of update signatures, against a key and a signature
// of "hello" made by openssl, and against everything a byte away from them.
#include <gtest/gtest.h>

#include <string>

#include "fakes/hex_bytes.h"
#include "win32/win32_signature_verifier.h"

namespace pq {
namespace {

using fakes::Hex;

const std::string kPoint = Hex(
    "532573d6481f01ed02e1cb1fe3f21d2598c70a5cf10fcf45428fa3bb6a68cb14b31fa039924409e42d1061f4f9292a"
    "c8e89a3943438697fc26efa4032a7c3b06");
const std::string kSignature = Hex(
    "d6129c59519aaf90e9ecd0c3f0e424ae02318357692578f0efae5b2d23d7fa52902e36f7daf4f184e7e7c48e407397"
    "acb637fc123a595647b2273f85c0acca2d");

std::string Flipped(std::string bytes, size_t at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
  return bytes;
}

TEST(Win32SignatureVerifier, AcceptsOnlyTheSignatureOfThatKeyOverThoseBytes) {
  // The same signature with r and s swapped; an unrelated key on the curve.
  const std::string swapped = kSignature.substr(32) + kSignature.substr(0, 32);
  const std::string other_key =
      Hex("6b17d1f2e12c4247f8bce6e563a440f277037d812deb33a0f4a13945d898c2964fe342e2fe1a7f9b8ee7eb4a"
          "7c0f9e"
          "162bce33576b315ececbb6406837bf51f5");
  const struct {
    const char* what;
    std::string key;
    std::string message;
    std::string signature;
    bool valid;
  } cases[] = {
      {"as made", kPoint, "hello", kSignature, true},
      {"another message", kPoint, "hello ", kSignature, false},
      {"an empty message", kPoint, "", kSignature, false},
      {"a bit of r changed", kPoint, "hello", Flipped(kSignature, 5), false},
      {"a bit of s changed", kPoint, "hello", Flipped(kSignature, 63), false},
      {"r and s swapped", kPoint, "hello", swapped, false},
      {"another key", other_key, "hello", kSignature, false},
      {"a point off the curve", Flipped(kPoint, 40), "hello", kSignature, false},
      {"a signature of zeros", kPoint, "hello", std::string(64, '\0'), false},
      {"a signature cut short", kPoint, "hello", kSignature.substr(0, 63), false},
      {"a key cut short", kPoint.substr(0, 63), "hello", kSignature, false},
      {"the key with its 0x04 byte", "\x04" + kPoint, "hello", kSignature, false},
  };
  win32::Win32SignatureVerifier verifier;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(verifier.VerifyP256(c.key, c.message, c.signature), c.valid);
  }
}

}  // namespace
}  // namespace pq
