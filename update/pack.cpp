#include "update/pack.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#if defined(__linux__)
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>
#endif

#include "core/exception.h"
#include "update/file_util.h"
#include "update/program_path.h"

namespace update {

namespace {

constexpr size_t kCopyChunk = 1024 * 1024;

int32_t ReadLe32(const unsigned char* p) {
    const uint32_t v =
        uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(v);
}

std::string DisplayName(const std::filesystem::path& file) {
    const auto u8 = file.u8string();
    return std::string(u8.begin(), u8.end());
}

#if defined(__linux__)
// The pack opened a second time for in-kernel copies, which spare the copy
// through user memory; -1 when unavailable.
class KernelSource {
public:
    explicit KernelSource(const std::filesystem::path& pack)
        : fd_(::open(pack.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~KernelSource() {
        if (fd_ >= 0) ::close(fd_);
    }
    KernelSource(const KernelSource&) = delete;
    KernelSource& operator=(const KernelSource&) = delete;

    enum class Copy { Done, Failed, Unsupported };

    // Unsupported (nothing written) when this file system cannot copy in the
    // kernel; the caller then copies through memory.
    Copy CopyRange(int64_t start, int64_t n, const std::filesystem::path& tmp) {
        if (fd_ < 0 || !supported_) return Copy::Unsupported;
        const int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0) return Copy::Failed;
        loff_t offset = start;
        bool first = true;
        while (n > 0) {
            const ssize_t put = ::copy_file_range(fd_, &offset, out, nullptr, size_t(n), 0);
            if (put < 0 && errno == EINTR) continue;
            if (put < 0 && first &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                supported_ = false;
                ::close(out);
                return Copy::Unsupported;
            }
            if (put <= 0) break;
            first = false;
            n -= put;
        }
        const bool closed = ::close(out) == 0;
        return n == 0 && closed ? Copy::Done : Copy::Failed;
    }

private:
    int fd_;
    bool supported_ = true;
};
#else
class KernelSource {
public:
    explicit KernelSource(const std::filesystem::path&) {}
    enum class Copy { Done, Failed, Unsupported };
    Copy CopyRange(int64_t, int64_t, const std::filesystem::path&) { return Copy::Unsupported; }
};
#endif

// Copies n bytes from offset start of the pack into target, through a
// temporary file. False when anything fails; the target is then untouched.
bool WriteEntry(std::ifstream& in, KernelSource& kernel, int64_t start, int64_t n,
                const std::filesystem::path& target, char* buffer) {
    const auto tmp = TempPathFor(target);
    bool ok;
    const auto copied = kernel.CopyRange(start, n, tmp);
    if (copied != KernelSource::Copy::Unsupported) {
        ok = copied == KernelSource::Copy::Done;
    } else {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
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
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return ReplaceWith(tmp, target);
}

}  // namespace

PackResult ExtractPack(const std::filesystem::path& pack, const std::filesystem::path& programDir) {
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
    KernelSource kernel(pack);
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
        if (WriteEntry(in, kernel, start, end - start, *target, buffer.get()))
            ++result.Written;
        else
            ++result.Skipped;
    }
    return result;
}

}  // namespace update
