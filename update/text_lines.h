#pragma once
// Byte-text list files: split at CR LF, lone CR or lone LF; written back with
// CR LF after every line.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace update {

using Lines = std::vector<std::string>;

// A final line end does not make an empty last line; empty text has no lines.
Lines SplitLines(std::string_view text);

// Every line followed by CR LF, the last one included.
std::string JoinLines(const Lines& lines);

// Raises a selvane::Exception when the file cannot be read.
Lines LoadLines(const std::filesystem::path& file);

// Replaces the file atomically: a crash leaves either the old or the new list.
// Raises a selvane::Exception when it cannot be written.
void SaveLines(const std::filesystem::path& file, const Lines& lines);

}  // namespace update
