#pragma once
// Whole-file reads of the update engine. Writing goes through core's atomic
// replace (core/atomic_file.h).

#include <filesystem>
#include <string>

namespace update {

// Reads a whole file. Raises a selvane::Exception when it cannot be opened.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace update
