// The loader object: reads the named file into its buffer, then decodes it.

#include "vexblit2/tga_loader.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#if defined(_WIN32)
#include <share.h>
#endif

namespace vexblit2 {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const char* name) {
#if defined(_WIN32)
    // Others may read the file while we do, but not change it under us.
    return File(_fsopen(name, "rb", _SH_DENYWR));
#else
    return File(std::fopen(name, "rb"));
#endif
}

[[noreturn]] void ThrowCannotOpen(const char* name) {
    throw TgaError(TgaError::Kind::CannotOpen, std::string("Cannot open file ") + name);
}

}  // namespace

void ReadTgaFile(const char* fileName, std::vector<uint8_t>& image) {
    if (!fileName) ThrowCannotOpen("");
    File f = OpenForReading(fileName);
    if (!f) ThrowCannotOpen(fileName);
        // Only a regular file counts: a directory opens on some systems but has
        // no bytes, and its reported size means nothing. The size is a hint; a
        // file that changes length meanwhile is read to its actual end.
#if defined(_WIN32)
    struct _stat64 st;
    const bool regular = _fstat64(_fileno(f.get()), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st;
    const bool regular = fstat(fileno(f.get()), &st) == 0 && S_ISREG(st.st_mode);
#endif
    if (!regular || st.st_size < 0) ThrowCannotOpen(fileName);
    const auto size = static_cast<uint64_t>(st.st_size);
    if (size > image.max_size()) ThrowCannotOpen(fileName);
    image.resize(static_cast<size_t>(size));
    size_t got = std::fread(image.data(), 1, image.size(), f.get());
    if (got == image.size()) {
        uint8_t more[4096];
        while (size_t n = std::fread(more, 1, sizeof more, f.get()))
            image.insert(image.end(), more, more + n);
    } else {
        image.resize(got);
    }
    // A file that cannot be read to its end is as good as a missing one.
    if (std::ferror(f.get())) ThrowCannotOpen(fileName);
}

void TTgaLoader::Load(PixelFormat format, const char* fileName, void* pixels, uint8_t* alphaMap,
                      uint16_t* width, uint16_t* height) {
    ReadTgaFile(fileName, Image);
    DecodeTga(Image.data(), Image.size(), format, static_cast<uint16_t*>(pixels), alphaMap, width,
              height);
}

void TTgaLoader::Load565(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                         uint16_t* height) {
    Load(PixelFormat::Rgb565, fileName, pixels, alphaMap, width, height);
}

void TTgaLoader::Load555(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                         uint16_t* height) {
    Load(PixelFormat::Rgb555, fileName, pixels, alphaMap, width, height);
}

}  // namespace vexblit2
