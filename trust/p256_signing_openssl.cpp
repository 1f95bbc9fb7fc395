#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/pem.h>

#include <algorithm>
#include <vector>

#include "core/exception.h"
#include "trust/p256_openssl.h"
#include "trust/p256_signing.h"

namespace trust {

struct P256SigningKey::State {
    openssl::PkeyPtr pkey;
};

namespace {

struct FreeBio {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using BioPtr = std::unique_ptr<BIO, FreeBio>;

bool IsP256(EVP_PKEY* pkey) {
    char group[64] = {};
    size_t length = 0;
    return EVP_PKEY_is_a(pkey, "EC") &&
           EVP_PKEY_get_utf8_string_param(pkey, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                          &length) == 1 &&
           std::string_view(group, length) == "prime256v1";
}

}  // namespace

P256SigningKey::P256SigningKey(std::unique_ptr<State> state) : state_(std::move(state)) {}
P256SigningKey::~P256SigningKey() = default;
P256SigningKey::P256SigningKey(P256SigningKey&&) noexcept = default;
P256SigningKey& P256SigningKey::operator=(P256SigningKey&&) noexcept = default;

P256SigningKey P256SigningKey::Generate() {
    openssl::PkeyPtr pkey(EVP_EC_gen("P-256"));
    if (!pkey) throw selvane::Exception("cannot make a P-256 key");
    return P256SigningKey(std::make_unique<State>(State{std::move(pkey)}));
}

P256SigningKey P256SigningKey::FromPem(std::string_view pem) {
    const BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    openssl::PkeyPtr pkey(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr)
                              : nullptr);
    if (!pkey || !IsP256(pkey.get())) throw selvane::Exception("no P-256 private key");
    return P256SigningKey(std::make_unique<State>(State{std::move(pkey)}));
}

std::string P256SigningKey::ToPem() const {
    const BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), state_->pkey.get(), nullptr, nullptr, 0,
                                         nullptr, nullptr) != 1)
        throw selvane::Exception("cannot write the private key");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

P256PublicKey P256SigningKey::PublicKey() const {
    uint8_t point[65];
    size_t length = 0;
    // The point comes uncompressed unless the key says otherwise; ask for that.
    EVP_PKEY_set_utf8_string_param(state_->pkey.get(), OSSL_PKEY_PARAM_EC_POINT_CONVERSION_FORMAT,
                                   "uncompressed");
    if (EVP_PKEY_get_octet_string_param(state_->pkey.get(), OSSL_PKEY_PARAM_PUB_KEY, point,
                                        sizeof point, &length) != 1 ||
        length != sizeof point || point[0] != 0x04)
        throw selvane::Exception("cannot read the public key");
    P256PublicKey key;
    std::copy(point + 1, point + 65, key.begin());
    return key;
}

P256Signature P256SigningKey::Sign(const Sha256Digest& digest) const {
    const openssl::ContextPtr context(EVP_PKEY_CTX_new(state_->pkey.get(), nullptr));
    size_t derLength = 0;
    if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) != 1 ||
        EVP_PKEY_sign(context.get(), nullptr, &derLength, digest.data(), digest.size()) != 1)
        throw selvane::Exception("cannot sign");
    std::vector<uint8_t> der(derLength);
    if (EVP_PKEY_sign(context.get(), der.data(), &derLength, digest.data(), digest.size()) != 1)
        throw selvane::Exception("cannot sign");
    const uint8_t* p = der.data();
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> sig(
        d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(derLength)), ECDSA_SIG_free);
    P256Signature raw{};
    if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw.data() + 32, 32) != 32)
        throw selvane::Exception("cannot sign");
    return raw;
}

}  // namespace trust
