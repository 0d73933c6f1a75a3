#pragma once
// Signed configuration updates. A publisher may name a public key in the
// configuration's [Options] "Update Key"; from then on an update is installed
// only when a detached signature, served beside it, verifies with the key of
// the configuration in force. Everything here is text in, decision out; the
// cryptography is the system's (SignatureVerifier).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/signature_verifier.h"

namespace pq {

// The signature of an update is served at the update's address with this added.
inline constexpr char kSignatureSuffix[] = ".sig";
// A DER signature on P-256 takes at most 72 bytes; anything much larger is no signature.
inline constexpr uint64_t kSignatureSizeLimit = 1024;

// Standard base64 (RFC 4648) with its padding, every bit accounted for; none
// for any other text.
std::optional<std::string> DecodeBase64(std::string_view text);

// The public point (x then y, 32 bytes each) of a P-256 key given as a DER
// SubjectPublicKeyInfo with the point uncompressed: 91 bytes, the body of a
// "PUBLIC KEY" PEM file. None for anything else.
std::optional<std::string> P256PointFromSpki(std::string_view der);

// An "Update Key" value: the base64 of such a SubjectPublicKeyInfo, blanks
// and control characters at either end ignored. None when it is not one.
std::optional<std::string> ParseUpdateKey(std::string_view value);

// r then s, 32 bytes each, of a DER ECDSA-Sig-Value (SEQUENCE of two positive
// INTEGERs, minimally encoded, nothing after it), as signing tools write it.
// None for anything else.
std::optional<std::string> RawSignatureFromDer(std::string_view der);

// Whether a configuration asks for signed updates: its "Update Key" holds
// more than blanks and control characters.
bool RequiresSignature(std::string_view update_key);

enum class UpdateTrust {
  Unsigned,  // no key in force: installed as any valid update
  Signed,    // the key in force verifies the signature over the update
  Refused,   // a key is in force and the update does not carry its signature
};

// Whether an update may be installed. `update_key` is the "Update Key" of the
// configuration in force; `update` the downloaded file's bytes; `signature`
// what the signature's address served, none when nothing was served. With a
// key in force everything but a valid signature made with that key is
// refused: a missing or malformed signature, a key that is no valid key, no
// verifier at all.
UpdateTrust JudgeUpdate(SignatureVerifier* verifier, std::string_view update_key,
                        const std::string& update, const std::optional<std::string>& signature);

}  // namespace pq
