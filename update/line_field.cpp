#include "update/line_field.h"

#include "core/exception.h"

namespace update {

std::string LineField(std::string_view line, int n) {
    if (n < 1) return {};
    int count = 0;
    size_t p = 0;
    const size_t size = line.size();
    while (p < size) {
        while (p < size && line[p] == ' ') ++p;
        if (p == size) break;
        const size_t start = p;
        while (p < size && line[p] != ' ') ++p;
        if (++count == n) return std::string(line.substr(start, p - start));
    }
    return {};
}

int32_t StrToInt(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    bool ok = i < text.size();
    for (; ok && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || value > 2147483648LL) {
            ok = false;
            break;
        }
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (!ok || value > 2147483647LL || value < -2147483648LL)
        throw selvane::Exception("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

}  // namespace update
