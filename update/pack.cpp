#include "update/pack.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "core/atomic_file.h"
#include "core/display_name.h"
#include "core/exception.h"
#include "update/program_path.h"

namespace update {

namespace {

constexpr size_t kCopyChunk = 1024 * 1024;

int32_t ReadLe32(const unsigned char* p) {
    const uint32_t v =
        uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(v);
}

// Copies n bytes from offset start of the pack into target, through a
// temporary file. False when anything fails; the target is then untouched.
bool WriteEntry(std::ifstream& in, int64_t start, int64_t n, const std::filesystem::path& target,
                char* buffer) {
    selvane::PendingReplace replace(target);
    bool ok;
    {
        std::ofstream out(replace.TempPath(), std::ios::binary | std::ios::trunc);
        ok = static_cast<bool>(out);
        in.clear();
        in.seekg(start);
        while (ok && n > 0) {
            const auto want =
                static_cast<std::streamsize>(n < int64_t(kCopyChunk) ? n : kCopyChunk);
            in.read(buffer, want);
            const std::streamsize got = in.gcount();
            if (got > 0) out.write(buffer, got);
            if (got != want || !out) ok = false;
            n -= got;
        }
        if (ok) {
            out.close();
            ok = !out.fail();
        }
    }
    return ok && replace.Commit();
}

}  // namespace

PackResult ExtractPack(const std::filesystem::path& pack, const std::filesystem::path& programDir) {
    using selvane::DisplayName;
    std::ifstream in(pack, std::ios::binary);
    if (!in) throw selvane::Exception("Cannot open file \"" + DisplayName(pack) + "\"");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < std::streamoff(kPackDirectorySize))
        throw selvane::Exception("Pack file \"" + DisplayName(pack) + "\" has no directory");

    std::array<unsigned char, kPackDirectorySize> dir;
    in.seekg(size - std::streamoff(kPackDirectorySize));
    in.read(reinterpret_cast<char*>(dir.data()), dir.size());
    if (in.gcount() != std::streamsize(dir.size()))
        throw selvane::Exception("Cannot read the directory of \"" + DisplayName(pack) + "\"");

    PackResult result;
    const int32_t count = ReadLe32(dir.data());
    if (count <= 0) return result;

    std::unique_ptr<char[]> buffer;
    for (int32_t i = 1; i <= count; ++i) {
        if (i >= int32_t(kPackSlots))
            throw selvane::Exception("Pack directory has no slot " + std::to_string(i));
        const unsigned char* slot = dir.data() + size_t(i) * kPackSlotSize;
        const int64_t start = ReadLe32(slot);
        const int64_t end = ReadLe32(slot + 4);
        const size_t length = slot[8];
        if (start < 0 || end < start || end > size || length > kPackNameMax) {
            ++result.Skipped;
            continue;
        }
        const std::string_view name(reinterpret_cast<const char*>(slot + 9), length);
        const auto target = NameToPath(programDir, name);
        if (!target) {
            ++result.Skipped;
            continue;
        }
        MakeFileDirs(*target);
        if (!buffer) buffer = std::make_unique_for_overwrite<char[]>(kCopyChunk);
        if (WriteEntry(in, start, end - start, *target, buffer.get()))
            ++result.Written;
        else
            ++result.Failed;
    }
    return result;
}

}  // namespace update
