#pragma once
// Pack files: a data area followed by a directory of 101 slots of 89 bytes.
// Slot 0 holds the entry count; slots 1 to 100 hold start offset, end offset
// (exclusive), name length and name of one entry, little-endian, signed 32-bit.

#include <cstddef>
#include <filesystem>

namespace update {

constexpr size_t kPackSlotSize = 89;
constexpr size_t kPackSlots = 101;
constexpr size_t kPackDirectorySize = kPackSlotSize * kPackSlots;  // 8989
constexpr size_t kPackNameMax = 80;

struct PackResult {
    int Written = 0;  // entries written in full
    int Skipped = 0;  // slots refused: unsafe name, bad offsets, name too long
    int Failed = 0;   // valid entries that could not be written (disk full, locked file)
};

// Writes every entry of the pack under programDir (not the pack's own folder),
// each through a temporary file and a rename. A slot whose name is unsafe or
// whose offsets are reversed, negative or past the end of the file writes
// nothing and the extraction goes on; so does an entry that cannot be written,
// which keeps the file that was there. Raises a selvane::Exception when the pack
// cannot be opened or is shorter than its directory, and after the first 100
// entries when the count asks for more.
PackResult ExtractPack(const std::filesystem::path& pack, const std::filesystem::path& programDir);

}  // namespace update
