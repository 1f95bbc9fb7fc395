#include "update/program_path.h"

#include <system_error>

namespace update {

namespace {

using NativeString = std::filesystem::path::string_type;
using NativeChar = NativeString::value_type;

bool SafeComponent(const NativeString& part) {
    if (part.empty()) return false;
    bool onlyDotsAndBlanks = true;
    for (const NativeChar c : part) {
        if (c == NativeChar(0) || c == NativeChar('/') || c == NativeChar(':')) return false;
        if (c != NativeChar('.') && c != NativeChar(' ')) onlyDotsAndBlanks = false;
    }
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
