#pragma once
// The downloader that the install of one update entry uses, over a logged-in
// FTP client owned by the caller.

#include "ftp/ftp_client_win.h"
#include "update/downloader.h"

namespace update {

class FtpDownloader : public IDownloader {
public:
    explicit FtpDownloader(ftp::TFtpClient& client) : client_(client) {}

    // Fetches remoteName straight into localPath, held to maxBytes (< 0: no
    // cap). Raises the client's error when the transfer fails; with an
    // OnFailure handler that takes the failure over, a quiet failure is
    // raised too, so the caller never records a file that did not arrive.
    // What was written to localPath is deleted on any failure.
    void Download(const std::string& remoteName, const std::filesystem::path& localPath,
                  int64_t maxBytes) override;
    // The rest from offset on (REST), received beside localPath and then
    // appended to it; the whole file when the server does not restart.
    // Failures raise as for Download but keep what arrived.
    void Resume(const std::string& remoteName, const std::filesystem::path& localPath,
                int64_t offset, int64_t maxBytes) override;
    int64_t BytesTotal() const override { return bytesTotal_; }

private:
    // The client's transfer; raises when it failed quietly.
    void Transfer(const std::string& remoteName, const std::filesystem::path& localPath,
                  int64_t maxBytes, int64_t offset);

    ftp::TFtpClient& client_;
    int64_t bytesTotal_ = 0;
};

}  // namespace update
