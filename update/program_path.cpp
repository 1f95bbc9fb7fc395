#include "update/program_path.h"

#include <string>
#include <system_error>

namespace update {

namespace {

using NativeString = std::filesystem::path::string_type;
using NativeChar = NativeString::value_type;

// Windows opens a device, not a file, for these base names in any folder and
// with any extension; a list has no business naming one.
bool DeviceName(const NativeString& part) {
    std::string base;
    for (const NativeChar c : part) {
        if (c == NativeChar('.')) break;
        const auto u = static_cast<unsigned long>(c);
        if (u > 0x7f) return false;
        base += static_cast<char>(u >= 'a' && u <= 'z' ? u - 'a' + 'A' : u);
    }
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (base == device) return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool SafeComponent(const NativeString& part) {
    if (part.empty()) return false;
    bool onlyDotsAndBlanks = true;
    for (const NativeChar c : part) {
        if (c == NativeChar(0) || c == NativeChar('/') || c == NativeChar(':')) return false;
        if (c != NativeChar('.') && c != NativeChar(' ')) onlyDotsAndBlanks = false;
    }
    if (DeviceName(part)) return false;
    // "." is harmless; "..", "...", ". ." all climb or fold into a climb on Windows.
    return !onlyDotsAndBlanks || part == NativeString(1, NativeChar('.'));
}

}  // namespace

std::optional<std::filesystem::path> NameToPath(const std::filesystem::path& programDir,
                                                std::string_view name) {
    // Split after converting: a double-byte character may have a backslash
    // as its second byte.
    const auto native = NameToNative(name);
    if (!native || native->empty()) return std::nullopt;
    std::filesystem::path result = programDir;
    size_t start = 0;
    for (;;) {
        const size_t end = native->find(NativeChar('\\'), start);
        const NativeString part =
            native->substr(start, end == NativeString::npos ? NativeString::npos : end - start);
        if (!SafeComponent(part)) return std::nullopt;
        result /= part;
        if (end == NativeString::npos) break;
        start = end + 1;
    }
    return result;
}

bool MakeFileDirs(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    return true;
}

}  // namespace update
