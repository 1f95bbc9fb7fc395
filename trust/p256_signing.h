#pragma once
// The studio's side of the list signature, natively only: making a key pair
// and signing. The private key is kept as PEM (PKCS #8), which every tool of
// the trade reads; the programs only ever see the raw public key.

#include <memory>
#include <string>
#include <string_view>

#include "trust/p256.h"

namespace trust {

class P256SigningKey {
public:
    // A fresh key from the system's random source.
    static P256SigningKey Generate();
    // Raises a selvane::Exception for text that holds no P-256 private key.
    static P256SigningKey FromPem(std::string_view pem);

    ~P256SigningKey();
    P256SigningKey(P256SigningKey&&) noexcept;
    P256SigningKey& operator=(P256SigningKey&&) noexcept;

    std::string ToPem() const;
    P256PublicKey PublicKey() const;
    // r then s, each 32 bytes big-endian.
    P256Signature Sign(const Sha256Digest& digest) const;

private:
    struct State;
    explicit P256SigningKey(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace trust
