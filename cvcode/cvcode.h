#pragma once
// Big5 -> GB2312 conversion through a constant table, character by character.
// Texts are byte strings without a terminating zero; their length is their byte count.

#include <cstdint>
#include <string>
#include <string_view>

namespace cvcode {

// 94 lead bytes (0xA1..0xFE) x 157 trail positions (0x40..0x7E, then 0xA1..0xFE).
inline constexpr int kBig5TableSize = 94 * 157;

// GB2312 code (lead byte high, trail byte low) for every Big5 position; 0x2020 where
// GB2312 has no counterpart, which the conversion writes as two blanks.
extern const std::uint16_t Big5ToGBTable[kBig5TableSize];

// Whether the first two bytes form a Big5 double-byte character: lead 0xA1 or above
// (0xFF included), trail in 0x40..0x7E or 0xA1..0xFE. Shorter texts give false.
bool IsBig5Char(std::string_view text);

// Table index of the character formed by the first two bytes; -1 when the text is shorter
// than two bytes or the second byte is no trail byte. The lead byte is not checked: below
// 0xA1 the index is negative, 0xFF gives an index past the table.
int Big5Index(std::string_view text);

// The two bytes of a code: high byte first.
std::string CodeToChars(std::uint16_t code);

// Converts Big5 text to GB2312. The result always has the input's length: a pair becomes
// two bytes, any other byte is copied. A last byte always stands alone.
std::string Big5ToGB(std::string_view text);

}  // namespace cvcode
