#pragma once
// Files are replaced whole or not at all: the new contents go to a temporary
// file beside the target, are flushed to disk, and only then renamed over the
// target. A crash, a power loss or a failed write leaves the old file or the
// new one, never a mix or an empty file.

#include <filesystem>
#include <string_view>

namespace selvane {

// A fresh temporary name beside target: unique to this process and this call
// (the launcher and the updater may write in the same folder at the same
// time), in target's folder so that the rename never crosses a volume.
std::filesystem::path TempPathBeside(const std::filesystem::path& target);

// Flushes temp to disk and renames it over target. False when either step
// fails (a missing temp included); temp is then removed and target keeps its
// contents.
bool CommitReplace(const std::filesystem::path& temp, const std::filesystem::path& target);

// One replacement of target in progress, over the two functions above: the
// temporary file is removed unless Commit succeeded.
class PendingReplace {
public:
    explicit PendingReplace(std::filesystem::path target);
    ~PendingReplace();
    PendingReplace(const PendingReplace&) = delete;
    PendingReplace& operator=(const PendingReplace&) = delete;

    // Where the new contents are to be written; nothing is created here.
    const std::filesystem::path& TempPath() const { return temp_; }
    const std::filesystem::path& Target() const { return target_; }

    // Flushes the temporary file to disk and renames it over the target.
    // False when either step fails (a missing temporary file included); the
    // temporary file is then removed and the target keeps its contents.
    bool Commit();

    // Removes the temporary file, if any; the target is left alone.
    void Discard();

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool done_ = false;
};

// Replaces target with bytes through a PendingReplace. Raises a
// selvane::Exception ("Cannot create file \"name\"") when the file cannot be
// written; the old file then stays whole.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// True when fileName (a bare file name) is one that a PendingReplace of a
// file named targetName writes to. ASCII letters match without case, as
// file names do on Windows.
bool IsTempNameFor(const std::filesystem::path& fileName, const std::filesystem::path& targetName);

// Flushes what was written to file to disk, leaving it where it is. False
// when that fails.
bool FlushFile(const std::filesystem::path& file);

// Removes a file, ignoring every failure.
void RemoveQuietly(const std::filesystem::path& file);

}  // namespace selvane
