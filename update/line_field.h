#pragma once
// The field rule shared by every list file of the update engine: fields are
// runs of bytes other than the blank (0x20), numbered from 1.

#include <string>
#include <string_view>

namespace update {

// Field n (n >= 1) of a line; empty when the line has fewer than n fields.
// Only 0x20 separates fields: a tab is an ordinary character.
std::string LineField(std::string_view line, int n);

}  // namespace update
