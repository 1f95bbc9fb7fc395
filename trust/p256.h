#pragma once
// The check of an ECDSA P-256 signature over a SHA-256 digest, by the
// system's library: CNG on Windows, libcrypto natively. Keys and signatures
// travel raw, as CNG takes them: the key is X then Y, the signature r then s,
// each a 32-byte big-endian number.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "trust/sha256.h"

namespace trust {

using P256PublicKey = std::array<uint8_t, 64>;
using P256Signature = std::array<uint8_t, 64>;

// True only for a valid signature of digest by key; a key that is no point
// of the curve is no key and verifies nothing.
bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                const P256Signature& signature);

// 128 hex digits; surrounding blanks and line ends are allowed.
std::optional<P256PublicKey> ParseP256PublicKey(std::string_view hex);

}  // namespace trust
