#pragma once
// TGA loader: reads a whole TGA file into memory and decodes it into a 16-bit
// pixel buffer (565 or 555) and an alpha map of one byte per pixel (0..31).
//
// Portable: no platform headers. Failures are C++ exceptions derived from
// TgaError; the DLL export turns them into the platform's own signal.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexblit2 {

enum class PixelFormat { Rgb565, Rgb555 };

// Every failure of a load. Kind tells the two apart without parsing the text.
class TgaError : public std::runtime_error {
public:
    enum class Kind { CannotOpen = 1, Palette = 2 };
    TgaError(Kind kind, const std::string& message)
        : std::runtime_error(message), ErrorKind(kind) {}
    Kind ErrorKind;
};

// Decodes a TGA file image held in memory. Writes width and height first, then
// Width x Height pixels and alpha bytes, top row first. Never reads outside
// [data, data + size) nor writes outside Width x Height pixels and alpha bytes.
// Throws TgaError(Palette) for a colour-mapped image whose palette it refuses.
void DecodeTga(const uint8_t* data, size_t size, PixelFormat format, uint16_t* pixels,
               uint8_t* alphaMap, uint16_t* width, uint16_t* height);

// Reads a whole file into `image`, reusing its capacity. The name is bytes in
// the system code page. Throws TgaError(CannotOpen).
void ReadTgaFile(const char* fileName, std::vector<uint8_t>& image);

// The library's loader object. It keeps the last file's bytes between loads so
// that the buffer is allocated once and reused.
class TTgaLoader {
public:
    TTgaLoader() = default;
    ~TTgaLoader() = default;
    TTgaLoader(const TTgaLoader&) = delete;
    TTgaLoader& operator=(const TTgaLoader&) = delete;

    void Load565(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                 uint16_t* height);
    void Load555(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                 uint16_t* height);

    // The file image of the last load (for tests).
    const std::vector<uint8_t>& FileImage() const { return Image; }

private:
    void Load(PixelFormat format, const char* fileName, void* pixels, uint8_t* alphaMap,
              uint16_t* width, uint16_t* height);

    std::vector<uint8_t> Image;  // the whole file, replaced by the next load
};

}  // namespace vexblit2
