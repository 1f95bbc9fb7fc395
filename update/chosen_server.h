#pragma once
// The chosen-server file isp1.dat: the chooser's entry index as decimal text,
// the file's only line. Both choosers read it when they are created and
// write it when the player confirms.

#include <filesystem>

namespace update {

inline constexpr char kChosenServerFile[] = "isp1.dat";

// The entry to select among itemCount entries: 0 when the file does not
// exist, -1 (none) when its number names no entry. Raises a
// selvane::Exception when the file is empty or its first line is not a
// decimal integer, or when it cannot be read.
int ReadChosenIndex(const std::filesystem::path& file, int itemCount);

// Replaces the file with the index and CR LF. A failure is ignored: the
// choice is then simply not remembered.
void WriteChosenIndex(const std::filesystem::path& file, int index) noexcept;

}  // namespace update
