#pragma once
// Replacing the running program's own file. Windows refuses to overwrite or
// delete the file of a running program but lets it be renamed: the running
// file moves aside to a temporary name of its own (one that
// selvane::IsTempNameFor recognises), the new file takes its name, and the
// old one is deleted when the program next starts.

#include <filesystem>

namespace update {

// Puts the finished file `temp` in place of programFile, the running
// program's file, by moving that aside first. False when it cannot: the
// running file then keeps its name and temp is removed.
bool ReplaceRunningProgram(const std::filesystem::path& temp,
                           const std::filesystem::path& programFile);

// Deletes what earlier replacements moved aside beside programFile; a file
// still in use stays until a later start.
void RemoveOldProgramFiles(const std::filesystem::path& programFile);

// Whether a and b name the same file: ASCII letters without case, as Windows
// compares names, after making both absolute and normal.
bool SameFileName(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace update
