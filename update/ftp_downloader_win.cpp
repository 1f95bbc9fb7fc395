#include "update/ftp_downloader_win.h"

#include <windows.h>

namespace update {

void FtpDownloader::Download(const std::string& remoteName,
                             const std::filesystem::path& localPath) {
    // The data goes to a file beside the target, which replaces the target
    // only once the whole transfer has succeeded: a cut-short download never
    // destroys the file that was there.
    std::filesystem::path partial = localPath;
    partial += L".part";
    bool succeeded = false;
    auto previous = client_.OnSuccess;
    client_.OnSuccess = [&succeeded, previous](ftp::TCmdType type) {
        if (type == ftp::cmdDownload) succeeded = true;
        if (previous) previous(type);
    };
    try {
        client_.Download(remoteName, partial);
    } catch (...) {
        client_.OnSuccess = previous;
        DeleteFileW(partial.c_str());
        throw;
    }
    client_.OnSuccess = previous;
    if (!succeeded) {
        DeleteFileW(partial.c_str());
        throw ftp::FTPException("Download of " + remoteName + " failed");
    }
    if (!MoveFileExW(partial.c_str(), localPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(partial.c_str());
        throw selvane::Exception("Cannot replace " + localPath.string());
    }
}

}  // namespace update
