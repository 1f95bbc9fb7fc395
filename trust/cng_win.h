#pragma once
// Owners of CNG handles, shared by the hash and the signature check.

#include <windows.h>

#include <bcrypt.h>

#include <memory>
#include <string>

namespace trust::cng {

struct CloseAlgorithm {
    void operator()(BCRYPT_ALG_HANDLE algorithm) const {
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};
struct DestroyHash {
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
struct DestroyKey {
    void operator()(BCRYPT_KEY_HANDLE key) const { BCryptDestroyKey(key); }
};
using Algorithm = std::unique_ptr<void, CloseAlgorithm>;
using Hash = std::unique_ptr<void, DestroyHash>;
using Key = std::unique_ptr<void, DestroyKey>;

inline bool Succeeded(NTSTATUS status) { return status >= 0; }

// Null when the system lacks the algorithm.
inline Algorithm OpenAlgorithm(const wchar_t* name) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, name, nullptr, 0))) return nullptr;
    return Algorithm(algorithm);
}

}  // namespace trust::cng
