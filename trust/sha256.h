#pragma once
// SHA-256 from the system's library: CNG on Windows, libcrypto natively.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace trust {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
public:
    // Raises a selvane::Exception when the system offers no SHA-256.
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(std::span<const uint8_t> bytes);
    void Update(std::string_view bytes);
    // The digest of everything given so far; the object is spent afterwards.
    Sha256Digest Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

Sha256Digest Sha256Of(std::string_view bytes);

// None when the file cannot be opened or read to its end.
std::optional<Sha256Digest> Sha256OfFile(const std::filesystem::path& file);

}  // namespace trust
