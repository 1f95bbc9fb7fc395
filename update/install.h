#pragma once
// The install of one to-do entry: download, size test, decompression or pack
// extraction, and the record in the local list.

#include <filesystem>
#include <string>

#include "gzip/gzip_file.h"
#include "update/downloader.h"
#include "update/line_field.h"
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
    UnsafeName,    // remote or target name would leave the program directory or
                   // names one of the run's own files: nothing done
    SizeMismatch,  // received bytes differ from the announced size
    NotWritten,    // decompression failed, or the file or an entry of its pack
                   // could not be put in place
    HashMismatch,  // the download's SHA-256 differs from the one the entry
                   // names, or the entry names one that is no SHA-256
};

// Installs one entry, new-file or changed-file form. Only an installed entry
// is recorded: a new file appends "target version" to the local list, a changed
// file replaces local line k. Every download goes to a temporary file and every
// file is put in place by an atomic replace, so no failure destroys an
// installed file. The size field is converted before the download, which it
// caps. Raised to the caller: download errors, a size field that is not an
// integer, a pack that cannot be read, and a type O file that cannot be put in
// place. A type E file that cannot be put in place shows the gzip component's
// "Can't create: " dialog with the target's name.
// An entry that names a SHA-256 after its size is checked against it right
// after the size test, before anything is unpacked or put in place.
InstallResult InstallEntry(const std::string& entry, InstallContext& context);

}  // namespace update
