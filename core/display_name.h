#pragma once
// Paths go into messages as bytes, like every other message text: in the
// system code page on Windows (what list names are written in and what the
// message boxes convert from), the native bytes elsewhere.

#include <filesystem>
#include <string>

namespace selvane {

// The inverse of turning list bytes into a path: characters the system code
// page lacks come out as '?'.
std::string DisplayName(const std::filesystem::path& file);

}  // namespace selvane
