#include "sample/startup_options.h"

#include <cstdlib>
#include <fstream>
#include <utility>

namespace ostrel {

ScreenMode ReadScreenMode(const std::filesystem::path& settingsFile) {
    std::ifstream in(settingsFile, std::ios::binary);
    std::string first;
    for (char c; in.get(c) && c != '\r' && c != '\n';) first.push_back(c);
    return first == "WindowScreen" ? ScreenMode::Windowed : ScreenMode::FullScreen;
}

CommandLine ParseCommandLine(std::vector<std::string> arguments) {
    CommandLine line;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "--dump")
            line.Dump = std::filesystem::path(
                std::u8string(arguments[i + 1].begin(), arguments[i + 1].end()));
        else if (arguments[i] == "--frame")
            line.Still = uint32_t(std::strtoul(arguments[i + 1].c_str(), nullptr, 10));
    line.Arguments = std::move(arguments);
    return line;
}

std::string ArgumentsText(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) text += argument + "\r\n";
    return text;
}

std::string ArgumentsLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return "(none)";
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument;
    }
    return line;
}

}  // namespace ostrel
