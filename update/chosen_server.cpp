#include "update/chosen_server.h"

#include <string>
#include <system_error>

#include "update/install.h"
#include "update/line_field.h"
#include "update/text_lines.h"

namespace update {

int ReadChosenIndex(const std::filesystem::path& file, int itemCount) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return 0;
    const Lines lines = LoadLines(file);
    const int32_t index = StrToInt(lines.empty() ? std::string() : lines.front());
    return index >= 0 && index < itemCount ? index : -1;
}

void WriteChosenIndex(const std::filesystem::path& file, int index) noexcept {
    try {
        SaveLines(file, {std::to_string(index)});
    } catch (...) {
    }
}

}  // namespace update
