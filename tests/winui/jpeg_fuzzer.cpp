// Any bytes handed to the JPEG decoder end in a picture or an error, never in
// a read or write outside its buffers.

#include <cstddef>
#include <cstdint>

#include "core/exception.h"
#include "winui/jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const winui::Pixels pixels = winui::DecodeJpeg(data, size);
        if (pixels.Data.size() != static_cast<std::size_t>(pixels.Width) * pixels.Height) {
            __builtin_trap();
        }
    } catch (const selvane::Exception&) {
    }
    return 0;
}
