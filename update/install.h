#pragma once
// The install of one to-do entry: download, size test, decompression or pack
// extraction, and the record in the local list.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "gzip/gzip_file.h"
#include "update/downloader.h"
#include "update/text_lines.h"

namespace update {

struct InstallContext {
    std::filesystem::path ProgramDir;
    IDownloader& Downloader;
    gzip::GzipFileBase& Gzip;  // set up by its owner: DeleteSource true, dialogs wired
    Lines& LocalList;
};

enum class InstallResult {
    Installed,     // written and recorded
    UnknownType,   // a type letter other than E, O, C: nothing done
    UnsafeName,    // remote or target name would leave the program directory
    SizeMismatch,  // received bytes differ from the announced size
    NotWritten,    // decompression failed or the file could not be put in place
};

// Decimal 32-bit integer with an optional sign; raises a selvane::Exception
// ("'x' is not a valid integer value") otherwise.
int32_t StrToInt(std::string_view text);

// Installs one entry, new-file or changed-file form. Only an installed entry
// is recorded: a new file appends "target version" to the local list, a changed
// file replaces local line k. The installed file is replaced only by a
// complete one (temporary file + rename), so every failure keeps it.
// Errors of the download, the size conversion and the pack extraction are
// raised to the caller.
InstallResult InstallEntry(const std::string& entry, InstallContext& context);

}  // namespace update
