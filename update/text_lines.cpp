#include "update/text_lines.h"

#include "core/atomic_file.h"
#include "update/file_util.h"

namespace update {

Lines SplitLines(std::string_view text) {
    Lines lines;
    size_t start = 0;
    const size_t size = text.size();
    while (start < size) {
        size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n') ++end;
        lines.emplace_back(text.substr(start, end - start));
        if (end < size) {
            // CR LF is one line end; a lone CR or a lone LF is one as well.
            const bool cr = text[end] == '\r';
            ++end;
            if (cr && end < size && text[end] == '\n') ++end;
        }
        start = end;
    }
    return lines;
}

std::string JoinLines(const Lines& lines) {
    size_t total = 0;
    for (const auto& line : lines) total += line.size() + 2;
    std::string text;
    text.reserve(total);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

Lines LoadLines(const std::filesystem::path& file) { return SplitLines(ReadWholeFile(file)); }

void SaveLines(const std::filesystem::path& file, const Lines& lines) {
    selvane::WriteFileAtomically(file, JoinLines(lines));
}

}  // namespace update
