#include "update/ftp_downloader_win.h"

#include <windows.h>

#include <fstream>
#include <system_error>

#include "core/atomic_file.h"
#include "core/display_name.h"
#include "update/file_util.h"

namespace update {

namespace fs = std::filesystem;

namespace {

// Appends `from` to `to` and removes `from`; false when the bytes could not
// all be written.
bool AppendAndRemove(const fs::path& from, const fs::path& to) {
    bool ok;
    {
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(to, std::ios::binary | std::ios::app);
        ok = in && out;
        if (ok && in.peek() != std::ifstream::traits_type::eof()) out << in.rdbuf();
        out.close();
        ok = ok && !out.fail();
    }
    selvane::RemoveQuietly(from);
    return ok;
}

}  // namespace

void FtpDownloader::Transfer(const std::string& remoteName, const fs::path& localPath,
                             int64_t maxBytes, int64_t offset) {
    bytesTotal_ = 0;
    client_.Download(remoteName, localPath, maxBytes, offset);
    bytesTotal_ = client_.BytesTotal();
    if (!client_.LastDownloadSucceeded())
        throw ftp::FTPException("Download of " + remoteName + " failed");
}

void FtpDownloader::Download(const std::string& remoteName, const fs::path& localPath,
                             int64_t maxBytes) {
    try {
        Transfer(remoteName, localPath, maxBytes, 0);
    } catch (...) {
        // The client may be gone (a handler freed it during the transfer):
        // it is not touched again here.
        DeleteFileW(localPath.c_str());
        throw;
    }
}

void FtpDownloader::Resume(const std::string& remoteName, const fs::path& localPath, int64_t offset,
                           int64_t maxBytes) {
    if (offset <= 0) {
        Transfer(remoteName, localPath, maxBytes, 0);
        return;
    }
    // The rest arrives in a file of its own: the transfer creates its file anew.
    const fs::path rest = selvane::TempPathBeside(localPath);
    const auto keep = [&](bool restarted) {
        if (restarted) {
            if (!AppendAndRemove(rest, localPath))
                throw selvane::Exception("Cannot write file \"" + selvane::DisplayName(localPath) +
                                         "\"");
        } else if (FileSizeOr0(rest) > 0 && !selvane::CommitReplace(rest, localPath)) {
            throw selvane::Exception("Cannot create file \"" + selvane::DisplayName(localPath) +
                                     "\"");
        }
        selvane::RemoveQuietly(rest);
        bytesTotal_ = FileSizeOr0(localPath);
    };
    bool restarted = false;
    try {
        client_.Download(remoteName, rest, maxBytes, offset);
        restarted = client_.RestartAccepted();
    } catch (...) {
        // The client may be gone (a handler freed it during the transfer), so
        // whether the server restarted is not known here: the rest goes, and
        // the next try starts again from the partial file as it was.
        selvane::RemoveQuietly(rest);
        throw;
    }
    keep(restarted);
    if (!client_.LastDownloadSucceeded())
        throw ftp::FTPException("Download of " + remoteName + " failed");
}

}  // namespace update
