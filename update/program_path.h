#pragma once
// Names from the network (remote list, pack directory) become paths here and
// only here. A name is bytes in the system code page with backslashes between
// directories, on every platform; it must stay inside the program directory.

#include <filesystem>
#include <optional>
#include <string_view>

namespace update {

// programDir + name, or nothing for an unsafe name: empty, absolute, with a
// drive or any colon, a forward slash, a NUL, an empty component, a ".."
// component (or one of dots and blanks only, which Windows folds into one),
// a Windows device name (CON, CONOUT$, NUL, COM1 ...), or bytes that the system code
// page cannot convert.
std::optional<std::filesystem::path> NameToPath(const std::filesystem::path& programDir,
                                                std::string_view name);

// Creates the missing directories of a file path; always true, as the callers
// find out about a missing directory when they create the file.
bool MakeFileDirs(const std::filesystem::path& file);

// The name's bytes as native path text: the system code page on Windows,
// unchanged bytes elsewhere; nothing when they cannot be converted.
std::optional<std::filesystem::path::string_type> NameToNative(std::string_view name);

}  // namespace update
