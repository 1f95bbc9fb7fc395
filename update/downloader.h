#pragma once
// What the install of one update entry needs from a file transfer: the FTP
// client provides it in the programs, tests provide their own.

#include <cstdint>
#include <filesystem>
#include <string>

namespace update {

class IDownloader {
public:
    virtual ~IDownloader() = default;

    // Fetches remoteName straight into localPath, creating or replacing that
    // file; the caller passes a temporary name and puts the file in place
    // itself. A transfer that would grow past maxBytes fails once it passes
    // it (maxBytes < 0: no cap). Raises a selvane::Exception on any failure,
    // after deleting what it wrote to localPath.
    virtual void Download(const std::string& remoteName, const std::filesystem::path& localPath,
                          int64_t maxBytes) = 0;

    // Fetches remoteName into localPath from byte `offset` on: the first
    // offset bytes already in localPath stay and the rest is appended; a
    // server that cannot start there sends the whole file, which replaces
    // them. Unlike Download, what arrived before a failure stays in
    // localPath, so that a later call can go on from there. BytesTotal is
    // then the size of localPath. This default starts over every time.
    virtual void Resume(const std::string& remoteName, const std::filesystem::path& localPath,
                        int64_t offset, int64_t maxBytes) {
        (void)offset;
        Download(remoteName, localPath, maxBytes);
    }

    // The number of bytes the last Download received.
    virtual int64_t BytesTotal() const = 0;
};

}  // namespace update
