#pragma once
// The settings file the game client reads: line 1 the screen mode, line 2 the
// script of the picture set, each line ended by CR LF. Portable.

#include <filesystem>
#include <optional>
#include <string>

namespace launcher {

inline constexpr char kSettingsFile[] = "sinfo.txt";

enum class ScreenMode { FullScreen, Windowed };

// The first line of the file without its line end, or nothing when the file
// cannot be opened. Throws selvane::Exception when reading fails after opening.
std::optional<std::string> ReadFirstLine(const std::filesystem::path& file);

// Only this exact first line, case and blanks included, means windowed play.
inline bool MeansWindowed(const std::string& firstLine) { return firstLine == "WindowScreen"; }

// "FullScreen" or "WindowScreen", CR LF, "Complexities" or "Simplified", CR LF.
std::string SettingsText(ScreenMode mode, bool traditionalChinese);

// Replaces the file with the settings atomically (core/atomic_file.h), so a
// failed write leaves the old settings whole. Throws selvane::Exception on
// failure.
void WriteSettings(const std::filesystem::path& file, ScreenMode mode, bool traditionalChinese);

}  // namespace launcher
