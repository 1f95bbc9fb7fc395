#include "update/ftp_downloader_win.h"

#include <windows.h>

namespace update {

void FtpDownloader::Download(const std::string& remoteName, const std::filesystem::path& localPath,
                             int64_t maxBytes) {
    try {
        client_.Download(remoteName, localPath, maxBytes);
    } catch (...) {
        // The client may be gone (a handler freed it during the transfer):
        // it is not touched again here.
        DeleteFileW(localPath.c_str());
        throw;
    }
    if (!client_.LastDownloadSucceeded()) {
        DeleteFileW(localPath.c_str());
        throw ftp::FTPException("Download of " + remoteName + " failed");
    }
}

}  // namespace update
