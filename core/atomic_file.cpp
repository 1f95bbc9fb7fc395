#include "core/atomic_file.h"

#include <atomic>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

#include "core/atomic_file_system.h"
#include "core/display_name.h"
#include "core/exception.h"

namespace selvane {

namespace {

using NativeString = std::filesystem::path::string_type;
using NativeChar = NativeString::value_type;

// Between target's name and the process id; IsTempNameFor looks for it.
const std::string kTempMarker = ".~";

std::atomic<unsigned> g_counter{0};

NativeChar AsciiLower(NativeChar c) {
    return c >= NativeChar('A') && c <= NativeChar('Z') ? NativeChar(c - 'A' + 'a') : c;
}

}  // namespace

std::filesystem::path TempPathBeside(const std::filesystem::path& target) {
    const std::string suffix = kTempMarker + std::to_string(detail::CurrentProcessId()) + "-" +
                               std::to_string(++g_counter);
    std::filesystem::path temp = target;
    temp += std::filesystem::path(suffix);
    return temp;
}

bool CommitReplace(const std::filesystem::path& temp, const std::filesystem::path& target) {
    const bool replaced = detail::FlushToDisk(temp) && detail::RenameOver(temp, target);
    if (!replaced) RemoveQuietly(temp);
    return replaced;
}

bool FlushFile(const std::filesystem::path& file) { return detail::FlushToDisk(file); }

PendingReplace::PendingReplace(std::filesystem::path target)
    : target_(std::move(target)), temp_(TempPathBeside(target_)) {}

PendingReplace::~PendingReplace() { Discard(); }

bool PendingReplace::Commit() {
    if (done_) return false;
    done_ = true;
    return CommitReplace(temp_, target_);
}

void PendingReplace::Discard() {
    if (done_) return;
    RemoveQuietly(temp_);
    done_ = true;
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    PendingReplace replace(target);
    bool written;
    {
        std::ofstream out(replace.TempPath(), std::ios::binary | std::ios::trunc);
        written = static_cast<bool>(out);
        if (written) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
            written = !out.fail();
        }
    }
    if (!written || !replace.Commit())
        throw Exception("Cannot create file \"" + DisplayName(target) + "\"");
}

bool IsTempNameFor(const std::filesystem::path& fileName, const std::filesystem::path& targetName) {
    NativeString prefix = targetName.native();
    prefix += std::filesystem::path(kTempMarker).native();
    const NativeString& name = fileName.native();
    if (name.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(name[i]) != AsciiLower(prefix[i])) return false;
    return true;
}

void RemoveQuietly(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

}  // namespace selvane
