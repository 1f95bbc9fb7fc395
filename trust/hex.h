#pragma once
// Lower-case hex text for digests, keys and signatures.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trust {

std::string ToHex(std::span<const uint8_t> bytes);

// Upper and lower case digits; none for an odd length or any other character.
std::optional<std::vector<uint8_t>> FromHex(std::string_view text);

}  // namespace trust
