// Any bytes as a TGA file image, decoded into buffers of exactly the size the
// header announces: the sanitizers report any access outside them or the input.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "vexblit2/tga_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t hd[16] = {};  // a short header reads as zeros
    for (size_t i = 0; i < size && i < sizeof hd; ++i) hd[i] = data[i];
    const size_t n = size_t(hd[12] | hd[13] << 8) * size_t(hd[14] | hd[15] << 8);
    if (n > (size_t{1} << 14)) return -1;  // small images keep runs quick; no limit is special
    const auto pixels = std::make_unique_for_overwrite<uint16_t[]>(n);
    const auto alpha = std::make_unique_for_overwrite<uint8_t[]>(n);
    for (auto format : {vexblit2::PixelFormat::Rgb565, vexblit2::PixelFormat::Rgb555}) {
        uint16_t width = 0, height = 0;
        try {
            vexblit2::DecodeTga(data, size, format, pixels.get(), alpha.get(), &width, &height);
        } catch (const vexblit2::TgaError&) {
        }
    }
    return 0;
}
