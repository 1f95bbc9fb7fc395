#include <openssl/evp.h>

#include "core/exception.h"
#include "trust/sha256.h"

namespace trust {

struct Sha256::State {
    struct FreeContext {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, FreeContext> context{EVP_MD_CTX_new()};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    if (!state_->context || EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) != 1)
        throw selvane::Exception("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::Update(std::span<const uint8_t> bytes) {
    if (EVP_DigestUpdate(state_->context.get(), bytes.data(), bytes.size()) != 1)
        throw selvane::Exception("SHA-256 failed");
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(state_->context.get(), digest.data(), &length) != 1 ||
        length != digest.size())
        throw selvane::Exception("SHA-256 failed");
    return digest;
}

}  // namespace trust
