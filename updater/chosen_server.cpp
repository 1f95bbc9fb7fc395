#include "updater/chosen_server.h"

#include <charconv>
#include <string>
#include <system_error>

#include "core/exception.h"
#include "update/file_util.h"
#include "update/text_lines.h"

namespace updater {
namespace {

// Leading blanks and a sign are accepted, as the index was always written by us;
// anything after the digits is not.
int ParseIndex(const std::string& text) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) {
        start = text.size();
    }
    if (start < text.size() && text[start] == '+') {
        ++start;
    }
    int value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last) {
        throw selvane::Exception("'" + text + "' is not a valid integer value");
    }
    return value;
}

}  // namespace

std::optional<int> ReadChosenServer(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        return std::nullopt;
    }
    const update::Lines lines = update::LoadLines(file);
    return ParseIndex(lines.empty() ? std::string() : lines.front());
}

void WriteChosenServer(const std::filesystem::path& file, int index) {
    update::SaveLines(file, {std::to_string(index)});
}

}  // namespace updater
