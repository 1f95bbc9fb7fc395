#include "update/self_update.h"

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

}  // namespace

bool SameFileName(const fs::path& a, const fs::path& b) { return Folded(a) == Folded(b); }

bool ReplaceRunningProgram(const fs::path& temp, const fs::path& programFile) {
    std::error_code ec;
    fs::path aside;
    if (fs::exists(programFile, ec)) {
        aside = programFile;
        aside += ".~old";
        selvane::RemoveQuietly(aside);
        // An older copy that is still running keeps its name: take a fresh one.
        if (fs::exists(aside, ec)) aside = selvane::TempPathBeside(programFile);
        fs::rename(programFile, aside, ec);
        if (ec) {
            selvane::RemoveQuietly(temp);
            return false;
        }
    }
    if (selvane::CommitReplace(temp, programFile)) return true;
    if (!aside.empty()) fs::rename(aside, programFile, ec);
    return false;
}

void RemoveOldProgramFiles(const fs::path& programFile) {
    std::error_code ec;
    const fs::path folder =
        programFile.parent_path().empty() ? fs::path(".") : programFile.parent_path();
    std::vector<fs::path> old;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (selvane::IsTempNameFor(it->path().filename(), programFile.filename()))
            old.push_back(it->path());
    }
    for (const auto& file : old) selvane::RemoveQuietly(file);
}

}  // namespace update
