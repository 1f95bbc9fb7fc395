#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "trust/cng_win.h"
#include "trust/p256.h"

namespace trust {

bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                const P256Signature& signature) {
    const cng::Algorithm algorithm = cng::OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!algorithm) return false;
    // The blob: its header, then X and Y, as the key is kept already.
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const UCHAR*>(&header), sizeof header, blob.begin());
    std::copy(key.begin(), key.end(), blob.begin() + sizeof header);
    BCRYPT_KEY_HANDLE imported = nullptr;
    if (!cng::Succeeded(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB,
                                            &imported, blob.data(), static_cast<ULONG>(blob.size()),
                                            0)))
        return false;
    const cng::Key publicKey(imported);
    return cng::Succeeded(BCryptVerifySignature(
        publicKey.get(), nullptr, const_cast<PUCHAR>(digest.data()),
        static_cast<ULONG>(digest.size()), const_cast<PUCHAR>(signature.data()),
        static_cast<ULONG>(signature.size()), 0));
}

}  // namespace trust
