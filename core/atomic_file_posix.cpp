#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "core/atomic_file_system.h"

namespace selvane::detail {

namespace {

bool SyncPath(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

}  // namespace

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

bool FlushToDisk(const std::filesystem::path& file) { return SyncPath(file, O_RDONLY); }

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    // The new directory entry is durable only once the folder is synced; the
    // rename has happened either way, so a failure here is not one of it.
    std::filesystem::path folder = to.parent_path();
    if (folder.empty()) folder = ".";
    SyncPath(folder, O_RDONLY | O_DIRECTORY);
    return true;
}

}  // namespace selvane::detail
