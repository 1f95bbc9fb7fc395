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

    // Fetches remoteName into localPath, creating or replacing that file.
    // Raises a selvane::Exception on failure.
    virtual void Download(const std::string& remoteName, const std::filesystem::path& localPath) = 0;

    // The number of bytes the last Download received.
    virtual int64_t BytesTotal() const = 0;
};

}  // namespace update
