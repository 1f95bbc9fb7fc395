#pragma once
// Whole-file reads and sizes of the update engine. Writing goes through core's atomic
// replace (core/atomic_file.h).

#include <cstdint>
#include <filesystem>
#include <string>

namespace update {

// Reads a whole file. Raises a selvane::Exception when it cannot be opened.
std::string ReadWholeFile(const std::filesystem::path& file);

// The size of a file; 0 when it does not exist or cannot be asked.
int64_t FileSizeOr0(const std::filesystem::path& file);

}  // namespace update
