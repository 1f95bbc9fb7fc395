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
    int64_t BytesTotal() const override { return client_.BytesTotal(); }

private:
    ftp::TFtpClient& client_;
};

}  // namespace update
