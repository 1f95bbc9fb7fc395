#include "launcher/settings_file.h"

#include <fstream>

#include "core/atomic_file.h"
#include "core/exception.h"

namespace launcher {

std::optional<std::string> ReadFirstLine(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) {
        return std::nullopt;
    }
    std::string line;
    char c;
    while (in.get(c) && c != '\r' && c != '\n') {
        line += c;
    }
    if (in.bad()) {
        throw selvane::Exception("Cannot read the settings file");
    }
    return line;
}

std::string SettingsText(ScreenMode mode, bool traditionalChinese) {
    std::string text = mode == ScreenMode::FullScreen ? "FullScreen" : "WindowScreen";
    text += "\r\n";
    text += traditionalChinese ? "Complexities" : "Simplified";
    text += "\r\n";
    return text;
}

void WriteSettings(const std::filesystem::path& file, ScreenMode mode, bool traditionalChinese) {
    selvane::WriteFileAtomically(file, SettingsText(mode, traditionalChinese));
}

}  // namespace launcher
