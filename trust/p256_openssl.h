#pragma once
// Owners of libcrypto's key objects, shared by the check and the signing.

#include <openssl/evp.h>

#include <memory>

#include "trust/p256.h"

namespace trust::openssl {

struct FreePkey {
    void operator()(EVP_PKEY* pkey) const { EVP_PKEY_free(pkey); }
};
struct FreeContext {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, FreePkey>;
using ContextPtr = std::unique_ptr<EVP_PKEY_CTX, FreeContext>;

// None for bytes that are no point of the curve.
PkeyPtr PublicKeyFromRaw(const P256PublicKey& key);

}  // namespace trust::openssl
