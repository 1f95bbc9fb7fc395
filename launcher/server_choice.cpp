#include "launcher/server_choice.h"

#include <charconv>
#include <system_error>

#include "core/exception.h"
#include "update/line_field.h"

namespace launcher {

std::vector<std::string> ServerEntries(const update::Lines& serverLines) {
    std::vector<std::string> entries;
    for (std::size_t i = 0; i + 1 < serverLines.size(); ++i) {
        entries.push_back(update::LineField(serverLines[i], 1));
    }
    return entries;
}

int RememberedChoice(const std::filesystem::path& chosenFile, int entryCount) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(chosenFile, error)) {
        return 0;
    }
    update::Lines lines;
    try {
        lines = update::LoadLines(chosenFile);
    } catch (const selvane::Exception&) {
        return 0;
    }
    if (lines.empty()) {
        return 0;
    }
    // A broken file would otherwise leave nothing selected, and the run would
    // have no server line to start from until the player picked one.
    std::string_view text = lines.front();
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int index = 0;
    const auto [end, result] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (result != std::errc() || end != text.data() + text.size() || index < 0 ||
        index >= entryCount) {
        return 0;
    }
    return index;
}

void RememberChoice(const std::filesystem::path& chosenFile, int index) {
    update::SaveLines(chosenFile, {std::to_string(index)});
}

}  // namespace launcher
