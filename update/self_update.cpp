#include "update/self_update.h"

#include <string>
#include <system_error>
#include <vector>

#include "core/atomic_file.h"

namespace update {

namespace fs = std::filesystem;

namespace {

fs::path::string_type Folded(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    auto text = absolute.lexically_normal().native();
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<fs::path::value_type>(c - 'A' + 'a');
    return text;
}

// "name.~old", then "name.~old1" ...: temporary names of name (IsTempNameFor)
// that no download uses, so that removing them never takes a partial one.
constexpr char kOldMarker[] = ".~old";

fs::path OldName(const fs::path& programFile, int n) {
    fs::path old = programFile;
    old += kOldMarker;
    if (n > 0) old += std::to_string(n);
    return old;
}

bool IsOldName(const fs::path& name, const fs::path& programName) {
    if (!selvane::IsTempNameFor(name, programName)) return false;
    const auto rest = name.native().substr(programName.native().size());
    const std::string marker = kOldMarker;
    if (rest.size() < marker.size()) return false;
    for (size_t i = 0; i < marker.size(); ++i) {
        auto c = rest[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<fs::path::value_type>(c - 'A' + 'a');
        if (c != static_cast<fs::path::value_type>(marker[i])) return false;
    }
    return true;
}

}  // namespace

bool SameFileName(const fs::path& a, const fs::path& b) { return Folded(a) == Folded(b); }

bool ReplaceRunningProgram(const fs::path& temp, const fs::path& programFile) {
    std::error_code ec;
    fs::path aside;
    if (fs::exists(programFile, ec)) {
        aside = OldName(programFile, 0);
        selvane::RemoveQuietly(aside);
        // An older copy that is still running keeps its name: take the next.
        for (int n = 1; fs::exists(aside, ec) && n < 100; ++n) aside = OldName(programFile, n);
        fs::rename(programFile, aside, ec);
        if (ec) {
            selvane::RemoveQuietly(temp);
            return false;
        }
    }
    if (selvane::CommitReplace(temp, programFile)) return true;
    if (!aside.empty()) {
        fs::rename(aside, programFile, ec);
        // The folder must not be left without its program: a copy where the
        // name could not be taken back (the copy aside is removed at the next
        // start as usual).
        if (ec) fs::copy_file(aside, programFile, ec);
    }
    return false;
}

void RemoveOldProgramFiles(const fs::path& programFile) {
    std::error_code ec;
    const fs::path folder =
        programFile.parent_path().empty() ? fs::path(".") : programFile.parent_path();
    std::vector<fs::path> old;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsOldName(it->path().filename(), programFile.filename())) old.push_back(it->path());
    }
    for (const auto& file : old) selvane::RemoveQuietly(file);
}

}  // namespace update
