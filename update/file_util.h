#pragma once
// File helpers of the update engine: whole-file reads and the temporary file
// beside a target that is renamed over it once complete, so that an installed
// file is never left half written.

#include <filesystem>
#include <string>
#include <string_view>

namespace update {

// The temporary file used while producing target: same folder, so the final
// rename never crosses a volume.
std::filesystem::path TempPathFor(const std::filesystem::path& target);

// Renames tmp over target, replacing it. Returns false (and removes tmp) on
// failure; the old target is then untouched.
bool ReplaceWith(const std::filesystem::path& tmp, const std::filesystem::path& target);

// Writes bytes to target through a temporary file and a rename. Raises a
// selvane::Exception when the file cannot be written.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Reads a whole file. Raises a selvane::Exception when it cannot be opened.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace update
