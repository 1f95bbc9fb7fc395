// The pictures selvane.exe keeps inside it.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "winui/jpeg_image.h"

namespace {

TEST(UpdaterArtwork, EveryPictureDecodesAtItsControlSize) {
    const std::filesystem::path dir = SELVANE_UPDATER_PICTURES;
    struct Picture {
        const char* name;
        int width, height;
    } const pictures[] = {
        {"chooser0c.jpg", 400, 400}, {"chooser0s.jpg", 400, 400}, {"ok1c.jpg", 100, 29},
        {"ok1s.jpg", 100, 29},       {"ok2c.jpg", 100, 29},       {"ok2s.jpg", 100, 29},
        {"strip.jpg", 545, 23},
    };
    for (const Picture& p : pictures) {
        const winui::Pixels pixels = winui::DecodeJpegFile(dir / p.name);
        EXPECT_EQ(pixels.Width, p.width) << p.name;
        EXPECT_EQ(pixels.Height, p.height) << p.name;
    }
}

// Drawn with white as its transparent colour over the gauge: one white pixel
// would let the gauge show through.
TEST(UpdaterArtwork, StripIsOneBlueWithoutWhite) {
    const winui::Pixels strip =
        winui::DecodeJpegFile(std::filesystem::path(SELVANE_UPDATER_PICTURES) / "strip.jpg");
    for (const std::uint32_t pixel : strip.Data) {
        ASSERT_EQ(pixel & 0xFFFFFFu, (31u << 16) | (75u << 8) | 208u);
    }
}

}  // namespace
