#include "winui/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/exception.h"
#include "tests/winui/jpeg_writer.h"

namespace {

int Channel(std::uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
}

TEST(JpegImage, DecodesColoursAndLayoutOfABlockPicture) {
    // Left half red, right half blue, 16 x 8: the decoder must keep rows
    // top-down and put red in bits 16..23.
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool left = x < 8;
            rgb.insert(rgb.end(), {std::uint8_t(left ? 250 : 0), 0, std::uint8_t(left ? 0 : 250)});
        }
    }
    const auto bytes = testing_jpeg::EncodeRgb(16, 8, rgb);
    const winui::Pixels pixels = winui::DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_EQ(pixels.Width, 16);
    ASSERT_EQ(pixels.Height, 8);
    ASSERT_EQ(pixels.Data.size(), 128u);
    for (int y : {0, 7}) {
        const std::uint32_t red = pixels.Data[y * 16 + 1];
        const std::uint32_t blue = pixels.Data[y * 16 + 14];
        EXPECT_GT(Channel(red, 16), 230) << y;
        EXPECT_LT(Channel(red, 0), 25) << y;
        EXPECT_GT(Channel(blue, 0), 230) << y;
        EXPECT_LT(Channel(blue, 16), 25) << y;
        EXPECT_EQ(red >> 24, 0u);
    }
}

TEST(JpegImage, GreyPicturesComeOutAsEqualChannels) {
    const std::vector<std::uint8_t> grey(4 * 4, 128);
    const auto bytes = testing_jpeg::EncodeRgb(4, 4, grey, true);
    const winui::Pixels pixels = winui::DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_EQ(pixels.Data.size(), 16u);
    const std::uint32_t p = pixels.Data[5];
    EXPECT_EQ(Channel(p, 16), Channel(p, 8));
    EXPECT_EQ(Channel(p, 8), Channel(p, 0));
    EXPECT_NEAR(Channel(p, 0), 128, 2);
}

TEST(JpegImage, BrokenInputIsAnErrorNotACrash) {
    const auto good = testing_jpeg::Solid(8, 8, 10, 20, 30);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"not a jpeg", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
        {"start marker only", {0xFF, 0xD8}},
        {"header cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 40)},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(winui::DecodeJpeg(c.bytes.data(), c.bytes.size()), selvane::Exception)
            << c.name;
    }
}

TEST(JpegImage, FileLoadMatchesMemoryAndMissingFileThrows) {
    const auto dir = std::filesystem::temp_directory_path() / "winui_jpeg_test";
    std::filesystem::create_directories(dir);
    const auto bytes = testing_jpeg::Solid(5, 3, 200, 100, 50);
    testing_jpeg::WriteFile(dir / "p.jpg", bytes);
    const winui::Pixels fromFile = winui::DecodeJpegFile(dir / "p.jpg");
    const winui::Pixels fromMemory = winui::DecodeJpeg(bytes.data(), bytes.size());
    EXPECT_EQ(fromFile.Width, 5);
    EXPECT_EQ(fromFile.Height, 3);
    EXPECT_EQ(fromFile.Data, fromMemory.Data);
    EXPECT_THROW(winui::DecodeJpegFile(dir / "missing.jpg"), selvane::Exception);
    std::filesystem::remove_all(dir);
}

}  // namespace
