#pragma once
// The field rule shared by every list file of the update engine: fields are
// runs of bytes other than the blank (0x20), numbered from 1; and the one
// conversion of numeric fields (port, time-out, size, record line).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace update {

// Field n (n >= 1) of a line; empty when the line has fewer than n fields.
// Only 0x20 separates fields: a tab is an ordinary character.
std::string LineField(std::string_view line, int n);

// The field that starts at or after pos, which moves past it; empty when no
// field is left. For walking every field of a line in one pass.
std::string_view NextField(std::string_view line, size_t& pos);

// Decimal 32-bit integer with an optional sign; raises a selvane::Exception
// ("'x' is not a valid integer value") otherwise, the empty text included.
int32_t StrToInt(std::string_view text);

}  // namespace update
