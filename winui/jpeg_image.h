#pragma once
// JPEG pictures decoded into 32-bit pixels, ready to become a device-independent
// bitmap. Portable: no <windows.h>, so it is tested natively as well.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace winui {

// Top-down rows, one 0x00RRGGBB value per pixel (in memory B, G, R, 0: the
// layout of a 32-bit BI_RGB bitmap).
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Data;
};

// Largest picture we accept; anything bigger is a broken or hostile file.
inline constexpr unsigned kMaxPictureSide = 8192;
inline constexpr std::size_t kMaxPicturePixels = 16u << 20;
inline constexpr std::size_t kMaxPictureBytes = 64u << 20;

// Decodes a whole JPEG image held in memory. Throws selvane::Exception when the
// bytes are not a JPEG image this decoder can turn into RGB.
Pixels DecodeJpeg(const std::uint8_t* data, std::size_t size);

// Reads and decodes a JPEG file. Throws selvane::Exception when the file cannot
// be read or decoded.
Pixels DecodeJpegFile(const std::filesystem::path& file);

}  // namespace winui
