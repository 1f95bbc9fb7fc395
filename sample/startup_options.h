#pragma once
// What the client learns before it opens its window: the screen mode from the
// launcher's settings file, and its own command line. Portable.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// Read from the current directory, as the launcher's settings window writes it.
inline constexpr char kSettingsFile[] = "sinfo.txt";
// Written beside the program: the arguments it was started with.
inline constexpr char kArgumentsFile[] = "ostrel_args.txt";

enum class ScreenMode { FullScreen, Windowed };

// Windowed only when the file's first line is exactly "WindowScreen"; a
// missing or unreadable file means full screen.
ScreenMode ReadScreenMode(const std::filesystem::path& settingsFile);

struct CommandLine {
    std::vector<std::string> Arguments;         // UTF-8, without the program name
    std::optional<std::filesystem::path> Dump;  // --dump FILE: the first frame drawn goes there
    std::optional<uint32_t> Still;              // --frame N: the scene stands still at frame N
};

CommandLine ParseCommandLine(std::vector<std::string> arguments);

// The arguments one a line, each ended by CR LF; empty without arguments.
std::string ArgumentsText(const std::vector<std::string>& arguments);

// The arguments on one line for the status text; "(none)" without arguments.
std::string ArgumentsLine(const std::vector<std::string>& arguments);

}  // namespace ostrel
