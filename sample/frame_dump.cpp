#include "sample/frame_dump.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace ostrel {
namespace {

constexpr char kMagic[8] = {'O', 'S', 'T', 'R', 'E', 'L', 'F', 'B'};
constexpr size_t kHeaderSize = sizeof kMagic + 4 * 4;
constexpr uint32_t kMaxSide = 8192;

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i) & 0xFF));
}

uint32_t Get32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

bool WriteFrameDump(const std::filesystem::path& file, const FrameDump& dump) {
    std::string bytes(kMagic, sizeof kMagic);
    Put32(bytes, uint32_t(dump.Image.Width));
    Put32(bytes, uint32_t(dump.Image.Height));
    Put32(bytes, uint32_t(FormatNumber(dump.Format)));
    Put32(bytes, dump.Frame);
    for (uint16_t pixel : dump.Image.Pixels) {
        bytes.push_back(char(pixel & 0xFF));
        bytes.push_back(char(pixel >> 8));
    }
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) std::filesystem::remove(temporary, error);
    return !error;
}

std::optional<FrameDump> ReadFrameDump(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const unsigned char* header = bytes.data() + sizeof kMagic;
    const uint32_t width = Get32(header), height = Get32(header + 4);
    const uint32_t format = Get32(header + 8);
    if (width > kMaxSide || height > kMaxSide || (format != 565 && format != 555) ||
        bytes.size() != kHeaderSize + size_t(width) * height * 2)
        return std::nullopt;
    FrameDump dump;
    dump.Format = format == 565 ? PixelFormat::Rgb565 : PixelFormat::Rgb555;
    dump.Frame = Get32(header + 12);
    dump.Image = Picture(int(width), int(height));
    const unsigned char* pixels = bytes.data() + kHeaderSize;
    for (size_t i = 0; i < dump.Image.Pixels.size(); ++i)
        dump.Image.Pixels[i] = uint16_t(pixels[2 * i] | pixels[2 * i + 1] << 8);
    return dump;
}

}  // namespace ostrel
