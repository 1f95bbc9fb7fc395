#pragma once
// Pixel buffers the client owns and hands to the drawing library.

#include <cstdint>
#include <vector>

#include "vexblit2/vexblit2.h"

namespace ostrel {

enum class PixelFormat { Rgb565, Rgb555 };

// The library's vx_CheckMMX_Bit16 argument: 1 selects 565, anything else 555.
inline uint32_t FormatMode(PixelFormat format) { return format == PixelFormat::Rgb565 ? 1 : 0; }

inline int FormatNumber(PixelFormat format) { return format == PixelFormat::Rgb565 ? 565 : 555; }

// 8-bit channels into one pixel of the format (the top bits of each channel).
inline uint16_t Pack(PixelFormat format, int red, int green, int blue) {
    if (format == PixelFormat::Rgb565)
        return uint16_t((red >> 3) << 11 | (green >> 2) << 5 | blue >> 3);
    return uint16_t((red >> 3) << 10 | (green >> 3) << 5 | blue >> 3);
}

// Rows top first, no gaps: the pitch is twice the width, as vx_LoadTga writes
// its pictures and as the alpha-channel blits expect of a source with a map.
struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<uint16_t> Pixels;

    Picture() = default;
    Picture(int width, int height, uint16_t fill = 0)
        : Width(width), Height(height), Pixels(size_t(width) * size_t(height), fill) {}

    int32_t Pitch() const { return Width * 2; }
    vx_Rect Bounds() const { return {0, 0, Width, Height}; }
    uint16_t& At(int x, int y) { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
    uint16_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

// Pixels someone else owns, such as the DIB section the window shows: the
// frame is drawn straight into it.
struct Surface {
    void* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int32_t Pitch = 0;  // bytes from one row to the next

    void* At(int x, int y) const { return static_cast<char*>(Pixels) + y * Pitch + 2 * x; }
};

inline Surface SurfaceOf(Picture& picture) {
    return {picture.Pixels.data(), picture.Width, picture.Height, picture.Pitch()};
}

// A copy of a surface's pixels.
inline Picture CopyOf(const Surface& surface) {
    Picture copy(surface.Width, surface.Height);
    for (int y = 0; y < surface.Height; ++y) {
        const auto* row = static_cast<const uint16_t*>(surface.At(0, y));
        for (int x = 0; x < surface.Width; ++x) copy.At(x, y) = row[x];
    }
    return copy;
}

// A picture with one alpha byte (0..31, in 32nds) per pixel, from vx_LoadTga.
struct AlphaPicture {
    Picture Image;
    std::vector<uint8_t> Alpha;
};

}  // namespace ostrel
