#pragma once
// The chosen-server file "isp1.dat": one line with the decimal index of the
// chooser entry the player confirmed last. Portable.

#include <filesystem>
#include <optional>

namespace updater {

// The index stored in the file's first line; nothing when the file does not
// exist. Raises a selvane::Exception when the file cannot be read or its first
// line is empty or not a decimal integer.
std::optional<int> ReadChosenServer(const std::filesystem::path& file);

// Replaces the file whole with the index and CR LF. Raises a
// selvane::Exception when it cannot be written.
void WriteChosenServer(const std::filesystem::path& file, int index);

}  // namespace updater
