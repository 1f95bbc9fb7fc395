#pragma once
// What the server chooser makes of its two files: the entries it lists from
// the server list, and the remembered choice in the chosen-server file
// (one line, the 0-based index of the entry, CR LF). Portable.

#include <filesystem>
#include <string>
#include <vector>

#include "update/text_lines.h"

namespace launcher {

inline constexpr char kServerListFile[] = "isp0.dat";
inline constexpr char kChosenServerFile[] = "isp1.dat";

// Field 1 of every line but the last, which is the end marker; entry i stands
// for line i of the file. The any-server entry is not among them.
std::vector<std::string> ServerEntries(const update::Lines& serverLines);

// The entry to select when the chooser opens: the index on the file's first
// line, or entry 0 when the file is missing, unreadable, empty, holds no
// decimal integer or names no entry of a list of entryCount entries.
int RememberedChoice(const std::filesystem::path& chosenFile, int entryCount);

// Replaces the chosen-server file with this index. Throws selvane::Exception
// when it cannot be written.
void RememberChoice(const std::filesystem::path& chosenFile, int index);

}  // namespace launcher
