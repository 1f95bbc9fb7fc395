#pragma once
// The system calls behind the atomic replace, one implementation per system
// (atomic_file_win.cpp, atomic_file_posix.cpp). Internal to core.

#include <cstdint>
#include <filesystem>

namespace selvane::detail {

uint32_t CurrentProcessId();

// Makes the file's contents durable (FlushFileBuffers / fsync).
bool FlushToDisk(const std::filesystem::path& file);

// Renames from over to, replacing it, and makes the rename itself durable.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace selvane::detail
