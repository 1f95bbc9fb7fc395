#include "update/ftp_downloader_win.h"

namespace update {

void FtpDownloader::Download(const std::string& remoteName,
                             const std::filesystem::path& localPath) {
    bool succeeded = false;
    auto previous = client_.OnSuccess;
    client_.OnSuccess = [&succeeded, previous](ftp::TCmdType type) {
        if (type == ftp::cmdDownload) succeeded = true;
        if (previous) previous(type);
    };
    try {
        client_.Download(remoteName, localPath);
    } catch (...) {
        client_.OnSuccess = previous;
        throw;
    }
    client_.OnSuccess = previous;
    if (!succeeded) throw ftp::FTPException("Download of " + remoteName + " failed");
}

}  // namespace update
