#include <algorithm>

#include "trust/hex.h"
#include "trust/p256.h"

namespace trust {

std::optional<P256PublicKey> ParseP256PublicKey(std::string_view hex) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!hex.empty() && isSpace(hex.front())) hex.remove_prefix(1);
    while (!hex.empty() && isSpace(hex.back())) hex.remove_suffix(1);
    const auto bytes = FromHex(hex);
    if (!bytes || bytes->size() != P256PublicKey().size()) return std::nullopt;
    P256PublicKey key;
    std::copy(bytes->begin(), bytes->end(), key.begin());
    return key;
}

}  // namespace trust
