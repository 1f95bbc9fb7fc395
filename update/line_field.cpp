#include "update/line_field.h"

#include "core/exception.h"

namespace update {

std::string_view NextField(std::string_view line, size_t& pos) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const size_t start = pos;
    while (pos < line.size() && line[pos] != ' ') ++pos;
    return line.substr(start, pos - start);
}

std::string LineField(std::string_view line, int n) {
    std::string_view field;
    size_t pos = 0;
    for (int i = 0; i < n; ++i) {
        field = NextField(line, pos);
        if (field.empty()) return {};
    }
    return std::string(field);
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
