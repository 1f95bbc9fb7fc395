#pragma once
// Downloads that go on where an interrupted one stopped. What arrived before
// a failure is kept beside the file it was for, as "name.~part", with the
// entry it belongs to in "name.~part.entry"; the next try of the same entry
// (on another server, or in the next run) asks only for the rest.

#include <cstdint>
#include <filesystem>
#include <string>

#include "update/downloader.h"

namespace update {

// What a partial download must match to be trusted: an entry whose version,
// size or remote name changed since starts over.
struct ResumableEntry {
    std::string Remote;
    std::string Version;
    int32_t Size = 0;
};

std::filesystem::path PartialPath(const std::filesystem::path& file);

// Downloads entry.Remote into `into` (a temporary name that the caller puts
// in place), held to entry.Size bytes, resuming a partial download of the
// same entry kept for `file`. On success the partial download is gone; on a
// failure it is kept, flushed to disk, when anything arrived. The
// downloader's error is raised.
void DownloadResumable(IDownloader& downloader, const ResumableEntry& entry,
                       const std::filesystem::path& file, const std::filesystem::path& into);

}  // namespace update
