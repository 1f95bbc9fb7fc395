#pragma once
// The component that unpacks one gzip file into a plain file, in the two
// forms the programs carry: TGzipFile (launcher) and TUpdaterGzipFile
// (standalone updater), which differ in the order in which they close and
// delete their files and in one dialog text.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace gzip {

enum class THeaderField { filename, comment };
enum class TCompressionType { Standard, Filtered, HuffmanOnly };

// The error dialog: text, followed by file when file is not empty. The Win32
// owner shows it in a modal error box with the single button Abort.
using ErrorDialog = std::function<void(const std::string& text, const std::filesystem::path& file)>;

// Ends the process when the unpacked file cannot be closed (by default at
// once, with no static destructor run). Replaceable so that this path can be
// tested; returns the previous function.
using ExitFunction = void (*)(int code);
ExitFunction SetExitFunction(ExitFunction exitFunction);

// Dialog text and file name as one byte string (the name in the system code
// page on Windows, as selvane::DisplayName gives it), for owners and tests
// that show or compare the message as a whole.
std::string DialogText(const std::string& text, const std::filesystem::path& file);

class GzipFileBase {
public:
    virtual ~GzipFileBase() = default;
    GzipFileBase(const GzipFileBase&) = delete;
    GzipFileBase& operator=(const GzipFileBase&) = delete;

    // 0: unpacking was attempted; 1: FileSource cannot be opened; 2:
    // FileDestination cannot be created. Faults found while unpacking are
    // reported by the dialog only; OutputComplete() tells the owner about them.
    int32_t Gunzip();

    // True when the last Gunzip wrote the whole, verified output and closed it:
    // no decompression error, no CRC-32 or length mismatch, no short write
    // (a full disk included, which shows no dialog).
    bool OutputComplete() const { return outputComplete_; }

    // Fires OnProgress, when set.
    virtual void DoProgress();

    // The error dialog (text, then file when not empty), when WindowOnError;
    // for owners whose own steps around Gunzip fail in the component's terms.
    void ShowError(const std::string& text, const std::filesystem::path& file = {});

    std::filesystem::path FileSource{"data.dat"};
    std::filesystem::path FileDestination{"data.dat.gz"};
    bool DeleteSource = false;  // delete FileSource after unpacking
    int CompressionLevel = 6;   // kept for compression; not used by Gunzip
    TCompressionType CompressionType = TCompressionType::Standard;  // idem
    bool WindowOnError = true;  // show the error dialog for each failure
    std::function<void(GzipFileBase& sender)> OnProgress;
    int Progress = 0;      // last percentage reported (decompressed / compressed bytes)
    int ProgressStep = 0;  // 0: no progress events; else percent between two events
    ErrorDialog OnErrorDialog;

protected:
    enum class CloseOrder {
        Launcher,  // reader, delete source, then destination ("Can't close file " + name)
        Updater,   // destination inside the loop ("Can't close file."), reader, source
    };
    explicit GzipFileBase(CloseOrder order) : order_(order) {}

private:
    void CloseFailed(const std::string& text, const std::filesystem::path& file);

    CloseOrder order_;
    bool outputComplete_ = false;
};

// The launcher's component.
class TGzipFile : public GzipFileBase {
public:
    TGzipFile() : GzipFileBase(CloseOrder::Launcher) {}

    // Header fields and comment a compression would write; not used by Gunzip.
    struct HeaderSet {
        bool filename = true;
        bool comment = false;
    } GzipHeader;
    std::string Comments;
};

// The standalone updater's component: no GzipHeader, no Comments.
class TUpdaterGzipFile : public GzipFileBase {
public:
    TUpdaterGzipFile() : GzipFileBase(CloseOrder::Updater) {}
};

}  // namespace gzip
