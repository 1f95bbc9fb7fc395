// g++ has no __try, and the library's exception is not continuable: the only
// way back from it is to leave the frame that raised it. So the load runs on
// a thread of its own, and a vectored handler that sees the library's code on
// that thread copies the text and ends the thread. Nothing on that thread's
// stack needs unwinding: its function holds no objects, and the library's
// frames hold nothing either (vexblit2.h).

#include "sample/tga_load_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "sample/win_handles.h"

namespace ostrel {
namespace {

struct PendingLoad {
    const VexBlit2Api* Vx;
    const char* FileName;
    void* Pixels;
    uint8_t* Alpha;
    uint16_t* Width;
    uint16_t* Height;
    DWORD Thread = 0;
    bool Failed = false;
    char Text[1024] = {};
};

PendingLoad* volatile g_pending = nullptr;

LONG CALLBACK CatchLoadFailure(EXCEPTION_POINTERS* info) {
    PendingLoad* load = g_pending;
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (load == nullptr || load->Thread != GetCurrentThreadId() ||
        record->ExceptionCode != VX_TGA_EXCEPTION)
        return EXCEPTION_CONTINUE_SEARCH;
    load->Failed = true;
    if (record->NumberParameters >= 1 && record->ExceptionInformation[0] != 0)
        lstrcpynA(load->Text, reinterpret_cast<const char*>(record->ExceptionInformation[0]),
                  int(sizeof load->Text));
    ExitThread(1);
}

DWORD WINAPI RunLoad(void* argument) {
    auto* load = static_cast<PendingLoad*>(argument);
    load->Thread = GetCurrentThreadId();
    load->Vx->vx_LoadTga(load->FileName, load->Pixels, load->Alpha, load->Width, load->Height);
    return 0;
}

class VectoredHandler {
public:
    explicit VectoredHandler(PVECTORED_EXCEPTION_HANDLER handler)
        : handle_(AddVectoredExceptionHandler(1, handler)) {}
    ~VectoredHandler() {
        if (handle_) RemoveVectoredExceptionHandler(handle_);
    }
    VectoredHandler(const VectoredHandler&) = delete;
    VectoredHandler& operator=(const VectoredHandler&) = delete;
    explicit operator bool() const { return handle_ != nullptr; }

private:
    PVOID handle_;
};

// The library tells the size only as it writes the pixels, so a file too big
// for our buffers is turned away by its header before it is handed over. A
// file without a whole header passes: the library copes with short files.
bool TooLarge(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    unsigned char header[18];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    const int width = header[12] | header[13] << 8, height = header[14] | header[15] << 8;
    return width > kMaxTgaSide || height > kMaxTgaSide;
}

}  // namespace

TgaLoadResult LoadTgaCatchingFailure(const VexBlit2Api& vx, const std::string& fileName) {
    TgaLoadResult result;
    if (TooLarge(fileName)) {
        result.Failure = fileName + " is larger than " + std::to_string(kMaxTgaSide) + " x " +
                         std::to_string(kMaxTgaSide) + " pixels";
        return result;
    }
    constexpr size_t kMaxPixels = size_t(kMaxTgaSide) * kMaxTgaSide;
    std::vector<uint16_t> pixels(kMaxPixels);
    std::vector<uint8_t> alpha(kMaxPixels);
    uint16_t width = 0, height = 0;
    PendingLoad load{&vx, fileName.c_str(), pixels.data(), alpha.data(), &width, &height};

    const VectoredHandler handler(CatchLoadFailure);
    if (!handler) {
        result.Failure = "no exception handler for loading " + fileName;
        return result;
    }
    g_pending = &load;
    const KernelHandle thread(CreateThread(nullptr, 0, RunLoad, &load, 0, nullptr));
    if (thread) WaitForSingleObject(thread.Get(), INFINITE);
    g_pending = nullptr;

    if (!thread) {
        result.Failure = "no thread for loading " + fileName;
    } else if (load.Failed) {
        result.Failure = load.Text[0] ? load.Text : "vx_LoadTga failed on " + fileName;
    } else if (width > kMaxTgaSide || height > kMaxTgaSide) {
        // The file was replaced between our look at its header and the load;
        // at least do not read past our own buffers.
        result.Failure = fileName + " changed while it was loaded";
    } else {
        AlphaPicture picture;
        picture.Image = Picture(width, height);
        const size_t count = size_t(width) * height;
        std::copy_n(pixels.begin(), count, picture.Image.Pixels.begin());
        picture.Alpha.assign(alpha.begin(), alpha.begin() + ptrdiff_t(count));
        result.Picture = std::move(picture);
    }
    return result;
}

}  // namespace ostrel
