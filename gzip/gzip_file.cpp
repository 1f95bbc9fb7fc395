#include "gzip/gzip_file.h"

#include <zlib.h>

#include <cstdio>
#include <system_error>
#include <vector>

#include "core/display_name.h"
#include "core/end_process.h"

namespace gzip {

namespace {

constexpr unsigned kCopyBuffer = 16384;
constexpr size_t kWriterBuffer = 128 * 1024;

void DefaultExit(int code) { selvane::EndProcess(code); }
ExitFunction g_exit = DefaultExit;

// One owner for the zlib reader.
class Reader {
public:
    explicit Reader(const std::filesystem::path& file) {
#ifdef _WIN32
        gz_ = gzopen_w(file.c_str(), "rb");
#else
        gz_ = gzopen(file.c_str(), "rb");
#endif
        // zlib's default buffer is kept on purpose: reads of the copy buffer's
        // size then go straight into it, so a member with a bad trailer still
        // delivers all but its last block. A bigger buffer is no faster here.
    }
    ~Reader() { Close(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool IsOpen() const { return gz_ != nullptr; }
    int Read(void* buffer, unsigned size) { return gzread(gz_, buffer, size); }

    // False when the data was faulty. zlib reports a truncated stream at close
    // but a corrupt one (bad data, CRC-32 or length) only through gzerror, so
    // both are asked.
    bool Close() {
        if (!gz_) return true;
        int err = Z_OK;
        gzerror(gz_, &err);
        const bool faulty = err != Z_OK && err != Z_BUF_ERROR;
        const int closed = gzclose_r(gz_);
        gz_ = nullptr;
        return !faulty && closed == Z_OK;
    }

private:
    gzFile gz_ = nullptr;
};

// One owner for the destination file.
class Writer {
public:
    explicit Writer(const std::filesystem::path& file) {
#ifdef _WIN32
        file_ = _wfopen(file.c_str(), L"wb");
#else
        file_ = std::fopen(file.c_str(), "wb");
#endif
        if (file_) std::setvbuf(file_, nullptr, _IOFBF, kWriterBuffer);
    }
    ~Writer() { Close(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    size_t Write(const void* data, size_t size) { return std::fwrite(data, 1, size, file_); }

    // Hands the buffered data to the system. False on a full disk or any
    // other write failure: the output is then short, not a reason to stop.
    bool Flush() { return std::fflush(file_) == 0 && !std::ferror(file_); }

    // False when the file could not be closed. Called after a successful
    // Flush, so a failure here says nothing about the data.
    bool Close() {
        if (!file_) return true;
        const int result = std::fclose(file_);
        file_ = nullptr;
        return result == 0;
    }

private:
    std::FILE* file_ = nullptr;
};

}  // namespace

ExitFunction SetExitFunction(ExitFunction exitFunction) {
    const ExitFunction previous = g_exit;
    g_exit = exitFunction ? exitFunction : DefaultExit;
    return previous;
}

std::string DialogText(const std::string& text, const std::filesystem::path& file) {
    return text + selvane::DisplayName(file);
}

void GzipFileBase::DoProgress() {
    if (OnProgress) OnProgress(*this);
}

void GzipFileBase::ShowError(const std::string& text, const std::filesystem::path& file) {
    if (WindowOnError && OnErrorDialog) OnErrorDialog(text, file);
}

void GzipFileBase::CloseFailed(const std::string& text, const std::filesystem::path& file) {
    ShowError(text, file);
    g_exit(1);
}

int32_t GzipFileBase::Gunzip() {
    outputComplete_ = false;
    Reader reader(FileSource);
    if (!reader.IsOpen()) {
        ShowError("Can't open: ", FileSource);
        return 1;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(FileSource, ec);
    const double compressedSize = ec ? 0.0 : static_cast<double>(size);

    Writer writer(FileDestination);
    if (!writer.IsOpen()) {
        ShowError("Can't create: ", FileDestination);
        reader.Close();
        return 2;
    }

    // Decompress loop: the output goes out block by block as it is produced.
    Progress = 0;
    uint64_t unpacked = 0;
    if (ProgressStep > 0) DoProgress();
    std::vector<char> buffer(kCopyBuffer);
    bool complete = true;
    bool written = true;  // every byte reached the system
    for (;;) {
        const int count = reader.Read(buffer.data(), kCopyBuffer);
        if (count < 0) complete = false;
        if (count <= 0) break;
        const size_t put = writer.Write(buffer.data(), static_cast<size_t>(count));
        if (put < static_cast<size_t>(count)) {
            written = false;
            break;
        }
        if (ProgressStep > 0) {
            unpacked += static_cast<uint64_t>(count);
            // Decompressed bytes over compressed size: passes 100 for
            // ordinary data, as the progress handlers expect.
            const double percentage =
                compressedSize > 0 ? static_cast<double>(unpacked) / compressedSize * 100.0 : 0.0;
            if (percentage >= static_cast<double>(Progress) + ProgressStep ||
                static_cast<double>(unpacked) == compressedSize) {
                Progress = percentage >= 2147483647.0 ? 2147483647 : static_cast<int>(percentage);
                DoProgress();
            }
        }
    }

    // A full disk shows up at the latest when the buffer is flushed: it makes
    // a short output like a short write, and only a close that fails after
    // all data went out is fatal.
    if (written) written = writer.Flush();
    if (order_ == CloseOrder::Updater) {
        if (!writer.Close() && written) {
            CloseFailed("Can't close file.", {});
            return 0;
        }
    }
    if (!reader.Close()) {
        complete = false;
        ShowError("gzclose Error.");
    }
    if (DeleteSource) std::filesystem::remove(FileSource, ec);
    if (order_ == CloseOrder::Launcher) {
        if (!writer.Close() && written) {
            CloseFailed("Can't close file ", FileDestination);
            return 0;
        }
    }
    outputComplete_ = complete && written;
    return 0;
}

}  // namespace gzip
