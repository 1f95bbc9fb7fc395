#include "cvcode/cvcode.h"

#include <cstddef>

namespace cvcode {

namespace {

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE); }

}  // namespace

bool IsBig5Char(std::string_view text) {
    if (text.size() < 2) return false;
    return static_cast<unsigned char>(text[0]) >= 0xA1 &&
           IsTrailByte(static_cast<unsigned char>(text[1]));
}

int Big5Index(std::string_view text) {
    if (text.size() < 2) return -1;
    const int lead = static_cast<unsigned char>(text[0]);
    const int trail = static_cast<unsigned char>(text[1]);
    if (trail >= 0x40 && trail <= 0x7E) return (lead - 0xA1) * 157 + (trail - 0x40);
    if (trail >= 0xA1 && trail <= 0xFE) return (lead - 0xA1) * 157 + 63 + (trail - 0xA1);
    return -1;
}

std::string CodeToChars(std::uint16_t code) {
    return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

std::string Big5ToGB(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        // At the last byte the pair is completed with a blank, which is no trail byte,
        // so a last byte always stands alone.
        const char pair[2] = {text[pos], pos + 1 < text.size() ? text[pos + 1] : ' '};
        const std::string_view p(pair, 2);
        if (IsBig5Char(p)) {
            const int k = Big5Index(p);
            if (k >= 0 && k < kBig5TableSize) {
                const std::uint16_t code = Big5ToGBTable[k];
                result.push_back(static_cast<char>(code >> 8));
                result.push_back(static_cast<char>(code & 0xFF));
                pos += 2;
                continue;
            }
        }
        result.push_back(text[pos]);
        ++pos;
    }
    return result;
}

}  // namespace cvcode
