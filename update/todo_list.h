#pragma once
// The comparison of the remote list with the local list that decides which
// game files a run downloads.

#include <string>
#include <string_view>

#include "update/text_lines.h"

namespace update {

struct ToDoList {
    Lines Entries;  // to-do entries, in remote-list order
    Lines Names;    // target name of each entry, for the window's list box
};

// Names match without regard to the case of ASCII A-Z only.
bool NamesEqual(std::string_view a, std::string_view b);

// Versions compare as unsigned byte strings; a proper prefix is the smaller.
bool VersionGreater(std::string_view remote, std::string_view local);

// The changed-file form of a remote entry line: "U " + k + " " + line.
std::string ChangedEntry(size_t localLine, std::string_view remoteLine);

// Line 0 of both lists is a header and takes no part. A local list of exactly
// one line gets an empty line 1 first; it stays in the list and is saved with
// it. A remote entry becomes a new-file entry only by failing to match the
// last local line, so a local list without any line yields nothing.
ToDoList BuildToDoList(const Lines& remote, Lines& local);

}  // namespace update
