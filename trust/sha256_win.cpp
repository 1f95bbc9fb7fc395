#include <windows.h>

#include <bcrypt.h>

#include "core/exception.h"
#include "trust/cng_win.h"
#include "trust/sha256.h"

namespace trust {

struct Sha256::State {
    cng::Algorithm algorithm;
    cng::Hash hash;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    state_->algorithm = cng::OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Without a buffer of ours the system keeps the hash object itself.
    if (!state_->algorithm || !cng::Succeeded(BCryptCreateHash(state_->algorithm.get(), &hash,
                                                               nullptr, 0, nullptr, 0, 0)))
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
