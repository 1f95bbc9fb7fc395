#pragma once
// A frame written to a file on request (ostrel.exe --dump FILE), so a test can
// compare what the client drew with the same frame drawn again. Layout, all
// little-endian: "OSTRELFB", then width, height, pixel format (565 or 555) and
// frame number as 32-bit values, then width x height pixels, top row first.

#include <cstdint>
#include <filesystem>
#include <optional>

#include "sample/picture.h"

namespace ostrel {

struct FrameDump {
    PixelFormat Format = PixelFormat::Rgb565;
    uint32_t Frame = 0;
    Picture Image;
};

// Writes beside the file first and renames, so a reader never sees half a
// dump. Returns false when the file cannot be written.
bool WriteFrameDump(const std::filesystem::path& file, const FrameDump& dump);

// Nothing when the file is missing, short or not a dump.
std::optional<FrameDump> ReadFrameDump(const std::filesystem::path& file);

}  // namespace ostrel
