#include "trust/sha256.h"

#include <fstream>
#include <vector>

namespace trust {

void Sha256::Update(std::string_view bytes) {
    Update(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

Sha256Digest Sha256Of(std::string_view bytes) {
    Sha256 hash;
    hash.Update(bytes);
    return hash.Finish();
}

std::optional<Sha256Digest> Sha256OfFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    Sha256 hash;
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = in.gcount();
        if (got > 0) hash.Update(std::string_view(buffer.data(), static_cast<size_t>(got)));
    }
    if (!in.eof()) return std::nullopt;
    return hash.Finish();
}

}  // namespace trust
