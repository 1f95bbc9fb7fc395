#include "launcher/settings_file.h"

#include <fstream>
#include <system_error>

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
    const std::string text = SettingsText(mode, traditionalChinese);
    std::filesystem::path temporary = file;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw selvane::Exception("Cannot write the settings file");
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw selvane::Exception("Cannot replace the settings file");
    }
}

}  // namespace launcher
