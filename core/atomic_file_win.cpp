#include <windows.h>

#include "core/atomic_file_system.h"

namespace selvane::detail {

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

bool FlushToDisk(const std::filesystem::path& file) {
    // A handle with write access is what FlushFileBuffers needs; it flushes
    // what every handle of the file wrote.
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(handle) != 0;
    return CloseHandle(handle) != 0 && flushed;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace selvane::detail
