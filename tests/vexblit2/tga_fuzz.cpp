// Any bytes as a TGA file image, decoded into buffers of exactly the size the
// header announces: the sanitizers report any access outside them or the input.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vexblit2/tga_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t hd[16] = {};  // a short header reads as zeros
    for (size_t i = 0; i < size && i < sizeof hd; ++i) hd[i] = data[i];
    const size_t w = size_t(hd[12] | hd[13] << 8), h = size_t(hd[14] | hd[15] << 8);
    if (w * h > (size_t{1} << 20)) return -1;  // keep runs quick; the limits are the same
    std::vector<uint16_t> pixels(w * h);
    std::vector<uint8_t> alpha(w * h);
    for (auto format : {vexblit2::PixelFormat::Rgb565, vexblit2::PixelFormat::Rgb555}) {
        uint16_t width = 0, height = 0;
        try {
            vexblit2::DecodeTga(data, size, format, pixels.data(), alpha.data(), &width, &height);
        } catch (const vexblit2::TgaError&) {
        }
    }
    return 0;
}
