#include <windows.h>

#include <bcrypt.h>

#include "core/exception.h"
#include "trust/cng_win.h"
#include "trust/sha256.h"

namespace trust {

namespace {

// Opening the provider costs far more than hashing a small file, so one serves
// the whole process; its hash objects are each used by one thread at a time.
BCRYPT_ALG_HANDLE Sha256Provider() {
    static const cng::Algorithm provider = cng::OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
    return provider.get();
}

}  // namespace

struct Sha256::State {
    cng::Hash hash;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    BCRYPT_ALG_HANDLE provider = Sha256Provider();
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Without a buffer of ours the system keeps the hash object itself.
    if (!provider || !cng::Succeeded(BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0)))
        throw selvane::Exception("SHA-256 is not available");
    state_->hash.reset(hash);
}

Sha256::~Sha256() = default;

void Sha256::Update(std::span<const uint8_t> bytes) {
    // CNG takes at most 4 GiB minus one at a time.
    constexpr size_t kChunk = 1u << 30;
    while (!bytes.empty()) {
        const size_t n = std::min(bytes.size(), kChunk);
        if (!cng::Succeeded(BCryptHashData(state_->hash.get(), const_cast<PUCHAR>(bytes.data()),
                                           static_cast<ULONG>(n), 0)))
            throw selvane::Exception("SHA-256 failed");
        bytes = bytes.subspan(n);
    }
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    if (!cng::Succeeded(BCryptFinishHash(state_->hash.get(), digest.data(),
                                         static_cast<ULONG>(digest.size()), 0)))
        throw selvane::Exception("SHA-256 failed");
    return digest;
}

}  // namespace trust
