#include "update/install.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/atomic_file.h"
#include "core/display_name.h"
#include "core/exception.h"
#include "update/entry_hash.h"
#include "update/list_trust.h"
#include "update/pack.h"
#include "update/program_path.h"

namespace update {

namespace {

namespace fs = std::filesystem;

struct Entry {
    bool changed = false;
    std::string line;  // field 2 of a changed-file entry
    std::string type, remote, target, version, size;
    EntryHash hash;
};

Entry ParseEntry(const std::string& text) {
    Entry e;
    e.changed = LineField(text, 1) == "U";
    const int base = e.changed ? 2 : 0;
    if (e.changed) e.line = LineField(text, 2);
    e.type = LineField(text, base + 1);
    e.remote = LineField(text, base + 2);
    e.target = LineField(text, base + 3);
    e.version = LineField(text, base + 4);
    e.size = LineField(text, base + 5);
    e.hash = FindEntryHash(text, base + 5);
    return e;
}

// The run reads and rewrites these itself; an entry that wrote one would be
// undone, or would turn the run against its own lists.
constexpr const char* kRunFiles[] = {
    "update2.dat",        "update3.dat", "isp0.dat", "isp1.dat", kRemoteListSignatureFile,
    kAcceptedSequenceFile};

bool SameNameIgnoringAsciiCase(const fs::path::string_type& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        auto x = a[i];
        auto y = static_cast<decltype(x)>(static_cast<unsigned char>(b[i]));
        if (x >= 'A' && x <= 'Z') x = static_cast<decltype(x)>(x - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// name is already known to be safe. Windows drops trailing dots and blanks of
// a name and ignores "." components, so "./update2.dat." is update2.dat too.
bool NamesRunFile(std::string_view name) {
    const auto relative = NameToPath(fs::path(), name);
    if (!relative) return false;
    const fs::path normal = relative->lexically_normal();
    if (std::distance(normal.begin(), normal.end()) != 1) return false;
    auto file = normal.native();
    while (!file.empty() && (file.back() == '.' || file.back() == ' ')) file.pop_back();
    for (const char* own : kRunFiles)
        if (SameNameIgnoringAsciiCase(file, own) || selvane::IsTempNameFor(file, fs::path(own)))
            return true;
    return false;
}

std::optional<fs::path> LocalPath(const fs::path& programDir, std::string_view name) {
    auto path = NameToPath(programDir, name);
    if (path && NamesRunFile(name)) path.reset();
    return path;
}

void Record(const Entry& e, Lines& local) {
    std::string record = e.target + " " + e.version;
    if (!e.changed) {
        local.push_back(std::move(record));
        return;
    }
    const int32_t k = StrToInt(e.line);
    if (k < 0 || static_cast<size_t>(k) >= local.size())
        throw selvane::Exception("List index out of bounds (" + std::to_string(k) + ")");
    local[static_cast<size_t>(k)] = std::move(record);
}

// While it lives, the component's dialogs name the files the player knows
// (the download by its remote name, the output by its target name) instead
// of the temporary files behind them.
class DialogNames {
public:
    DialogNames(gzip::GzipFileBase& gz, std::vector<std::pair<fs::path, fs::path>> shownAs)
        : gz_(gz), saved_(gz.OnErrorDialog) {
        if (!saved_) return;
        gz.OnErrorDialog = [dialog = saved_, shownAs = std::move(shownAs)](const std::string& text,
                                                                           const fs::path& file) {
            for (const auto& [temporary, shown] : shownAs) {
                if (file == temporary) {
                    dialog(text, shown);
                    return;
                }
            }
            dialog(text, file);
        };
    }
    ~DialogNames() { gz_.OnErrorDialog = std::move(saved_); }
    DialogNames(const DialogNames&) = delete;
    DialogNames& operator=(const DialogNames&) = delete;

private:
    gzip::GzipFileBase& gz_;
    gzip::ErrorDialog saved_;
};

// Gunzips the finished download into output's temporary file; the component
// deletes the download. False when the output is not whole.
bool GunzipInto(gzip::GzipFileBase& gz, const selvane::PendingReplace& download,
                const selvane::PendingReplace& output) {
    const DialogNames names(
        gz, {{download.TempPath(), download.Target()}, {output.TempPath(), output.Target()}});
    gz.FileSource = download.TempPath();
    gz.FileDestination = output.TempPath();
    gz.Gunzip();
    return gz.OutputComplete();
}

// A download is whole when it has the announced size and, where the entry
// names one, the announced SHA-256.
bool HashMatches(const Entry& e, const fs::path& download) {
    if (!e.hash.Present) return true;
    const auto digest = trust::Sha256OfFile(download);
    return digest && *digest == e.hash.Digest;
}

InstallResult InstallPlain(const Entry& e, const fs::path& target, int32_t size,
                           InstallContext& context) {
    MakeFileDirs(target);
    selvane::PendingReplace replace(target);
    context.Downloader.Download(e.remote, replace.TempPath(), size);
    if (context.Downloader.BytesTotal() != size) return InstallResult::SizeMismatch;
    if (!HashMatches(e, replace.TempPath())) return InstallResult::HashMismatch;
    if (!replace.Commit())
        throw selvane::Exception("Cannot create file \"" + selvane::DisplayName(target) + "\"");
    Record(e, context.LocalList);
    return InstallResult::Installed;
}

InstallResult InstallGzipped(const Entry& e, const fs::path& remote, const fs::path& target,
                             int32_t size, InstallContext& context) {
    selvane::PendingReplace download(remote);
    context.Downloader.Download(e.remote, download.TempPath(), size);
    if (context.Downloader.BytesTotal() != size) {
        // The download stays under its remote name for a look by hand, as
        // long as that replaces nothing: the name may be an installed file.
        std::error_code ec;
        if (!fs::exists(remote, ec) && !ec) download.Commit();
        return InstallResult::SizeMismatch;
    }
    // Not kept for a look like a short download: it is someone else's file.
    if (!HashMatches(e, download.TempPath())) return InstallResult::HashMismatch;
    MakeFileDirs(target);
    selvane::PendingReplace output(target);
    if (!GunzipInto(context.Gzip, download, output)) return InstallResult::NotWritten;
    if (e.type == "C") {
        // The pack is read where it was unpacked and never takes the target
        // name; the temporary file goes with `output`.
        if (ExtractPack(output.TempPath(), context.ProgramDir).Failed > 0)
            return InstallResult::NotWritten;
    } else if (!output.Commit()) {
        context.Gzip.ShowError("Can't create: ", target);
        return InstallResult::NotWritten;
    }
    Record(e, context.LocalList);
    return InstallResult::Installed;
}

}  // namespace

InstallResult InstallEntry(const std::string& text, InstallContext& context) {
    const Entry e = ParseEntry(text);
    const bool gzipped = e.type == "E" || e.type == "C";
    if (!gzipped && e.type != "O") return InstallResult::UnknownType;

    const auto target = LocalPath(context.ProgramDir, e.target);
    if (!target) return InstallResult::UnsafeName;
    // Type O sends its remote name to the server only; E and C store the
    // download under it.
    std::optional<fs::path> remote;
    if (gzipped) {
        remote = LocalPath(context.ProgramDir, e.remote);
        if (!remote) return InstallResult::UnsafeName;
    }

    // The size caps the download, so it is converted before it, and a
    // negative size, which no download can match, fetches nothing.
    const int32_t size = StrToInt(e.size);
    if (size < 0) return InstallResult::SizeMismatch;
    // A hash that cannot be checked fetches nothing.
    if (e.hash.Present && !e.hash.Valid) return InstallResult::HashMismatch;

    if (gzipped) return InstallGzipped(e, *remote, *target, size, context);
    return InstallPlain(e, *target, size, context);
}

}  // namespace update
