#include "update/resume.h"

#include <fstream>
#include <system_error>

#include "core/atomic_file.h"
#include "core/display_name.h"
#include "core/exception.h"
#include "update/file_util.h"

namespace update {

namespace fs = std::filesystem;

namespace {

fs::path EntryPath(const fs::path& partial) {
    fs::path path = partial;
    path += ".entry";
    return path;
}

// One line: size, version and remote name, blank-separated (no field of a
// list line holds a blank).
std::string EntryLine(const ResumableEntry& entry) {
    return std::to_string(entry.Size) + " " + entry.Version + " " + entry.Remote;
}

bool HoldsEntry(const fs::path& entryFile, const ResumableEntry& entry) {
    std::ifstream in(entryFile, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line == EntryLine(entry);
}

bool RememberEntry(const fs::path& entryFile, const ResumableEntry& entry) {
    try {
        selvane::WriteFileAtomically(entryFile, EntryLine(entry) + "\r\n");
    } catch (const selvane::Exception&) {
        return false;
    }
    return true;
}

void Forget(const fs::path& partial) {
    selvane::RemoveQuietly(partial);
    selvane::RemoveQuietly(EntryPath(partial));
}

}  // namespace

fs::path PartialPath(const fs::path& file) {
    fs::path path = file;
    path += ".~part";
    return path;
}

void DownloadResumable(IDownloader& downloader, const ResumableEntry& entry, const fs::path& file,
                       const fs::path& into) {
    const fs::path partial = PartialPath(file);
    int64_t offset = 0;
    const int64_t kept = FileSizeOr0(partial);
    if (kept > 0 && kept < entry.Size && HoldsEntry(EntryPath(partial), entry)) {
        offset = kept;
    } else if (kept > 0) {
        Forget(partial);
    }
    // A fresh download goes straight to `into`, and only a failed one moves.
    const bool resuming = offset > 0;
    const fs::path& receiving = resuming ? partial : into;
    try {
        downloader.Resume(entry.Remote, receiving, offset, entry.Size);
    } catch (...) {
        // Only a failure leaves the entry beside what arrived, and only once
        // those bytes are on disk: a partial file without its entry (the
        // program ended mid-download, the power went) is never trusted.
        const bool keep =
            FileSizeOr0(receiving) > 0 &&
            (resuming ? selvane::FlushFile(partial) : selvane::CommitReplace(into, partial)) &&
            RememberEntry(EntryPath(partial), entry);
        if (!keep) Forget(partial);
        throw;
    }
    if (!resuming) return;
    std::error_code ec;
    fs::rename(partial, into, ec);
    if (ec) {
        Forget(partial);
        throw selvane::Exception("Cannot create file \"" + selvane::DisplayName(into) + "\"");
    }
    selvane::RemoveQuietly(EntryPath(partial));
}

}  // namespace update
