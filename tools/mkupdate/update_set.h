#pragma once
// Building an update set for an FTP server: the remote list "update3.dat",
// gzip files for single game files and gzip-compressed pack files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mkupdate {

struct PackRule {
    std::string Target;         // installed name of the pack, e.g. "maps.pak"
    std::filesystem::path Dir;  // folder below the source whose files it holds
};

struct Options {
    std::filesystem::path Source;
    std::filesystem::path Out;
    std::string Version;
    std::string Header = "update list";
    std::vector<std::filesystem::path> Plain;  // files sent as they are
    std::vector<PackRule> Packs;
    bool Hashes = true;  // "sha256=<hex>" after each entry's size
};

// One item of a pack: its name relative to the game folder (backslashes)
// and its contents.
struct PackItem {
    std::string Name;
    std::vector<uint8_t> Bytes;
};

inline constexpr std::size_t kPackSlots = 101;
inline constexpr std::size_t kPackSlotSize = 89;
inline constexpr std::size_t kPackDirectorySize = kPackSlots * kPackSlotSize;
inline constexpr std::size_t kPackNameMax = 80;

// A pack file: the items' contents, then the 8989-byte directory.
// Raises std::runtime_error for more than 100 items or a name over 80 bytes.
std::vector<uint8_t> BuildPack(const std::vector<PackItem>& items);

// The game folder's name for a file below it: backslashes between folders.
std::string TargetName(const std::filesystem::path& relative);

// Writes the whole set into options.Out and returns the lines of update3.dat.
std::vector<std::string> BuildUpdateSet(const Options& options);

}  // namespace mkupdate
