#include "update/install.h"

#include <optional>
#include <system_error>

#include "core/exception.h"
#include "update/file_util.h"
#include "update/line_field.h"
#include "update/pack.h"
#include "update/program_path.h"

namespace update {

namespace {

struct Entry {
    bool changed = false;
    std::string line;  // field 2 of a changed-file entry
    std::string type, remote, target, version, size;
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
    return e;
}

bool SizeMatches(const Entry& e, const IDownloader& downloader) {
    return static_cast<int64_t>(StrToInt(e.size)) == downloader.BytesTotal();
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

void RemoveQuietly(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
}

// Gunzips source into target through a temporary file beside target; the
// component deletes the source. False when the output is not complete.
bool GunzipInto(gzip::GzipFileBase& gz, const std::filesystem::path& source,
                const std::filesystem::path& target) {
    const auto tmp = TempPathFor(target);
    gz.FileSource = source;
    gz.FileDestination = tmp;
    gz.Gunzip();
    if (!gz.OutputComplete()) {
        RemoveQuietly(tmp);
        return false;
    }
    return ReplaceWith(tmp, target);
}

}  // namespace

int32_t StrToInt(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    bool ok = i < text.size();
    for (; ok && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || value > 2147483648LL) {
            ok = false;
            break;
        }
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (!ok || value > 2147483647LL || value < -2147483648LL)
        throw selvane::Exception("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

InstallResult InstallEntry(const std::string& text, InstallContext& context) {
    const Entry e = ParseEntry(text);
    const bool gzipped = e.type == "E" || e.type == "C";
    if (!gzipped && e.type != "O") return InstallResult::UnknownType;

    const auto target = NameToPath(context.ProgramDir, e.target);
    if (!target) return InstallResult::UnsafeName;
    // Type O sends its remote name to the server only; E and C store the
    // download under it.
    std::optional<std::filesystem::path> remote;
    if (gzipped) {
        remote = NameToPath(context.ProgramDir, e.remote);
        if (!remote) return InstallResult::UnsafeName;
    }

    if (e.type == "O") {
        MakeFileDirs(*target);
        const auto tmp = TempPathFor(*target);
        bool matches = false;
        try {
            context.Downloader.Download(e.remote, tmp);
            matches = SizeMatches(e, context.Downloader);
        } catch (...) {
            RemoveQuietly(tmp);
            throw;
        }
        if (!matches) {
            RemoveQuietly(tmp);
            return InstallResult::SizeMismatch;
        }
        if (!ReplaceWith(tmp, *target)) return InstallResult::NotWritten;
        Record(e, context.LocalList);
        return InstallResult::Installed;
    }

    context.Downloader.Download(e.remote, *remote);
    // On a mismatch the download stays where it is, for a look by hand.
    if (!SizeMatches(e, context.Downloader)) return InstallResult::SizeMismatch;
    MakeFileDirs(*target);
    if (!GunzipInto(context.Gzip, *remote, *target)) return InstallResult::NotWritten;
    if (e.type == "C") {
        ExtractPack(*target, context.ProgramDir);
        RemoveQuietly(*target);
    }
    Record(e, context.LocalList);
    return InstallResult::Installed;
}

}  // namespace update
