#include "update/line_field.h"

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

}  // namespace update
