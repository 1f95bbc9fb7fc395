#include "winui/jpeg_image.h"

#include <gtest/gtest.h>

#include "core/exception.h"
#include "tests/winui/jpeg_writer.h"

namespace {

TEST(JpegImage, KeepsRowsTopDownAndRedInTheHighByte) {
    // 16 x 8: left half red, right half blue.
    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < 16 * 8; ++i) {
        const bool left = i % 16 < 8;
        rgb.insert(rgb.end(), {std::uint8_t(left ? 250 : 0), 0, std::uint8_t(left ? 0 : 250)});
    }
    const auto bytes = testing_jpeg::EncodeRgb(16, 8, rgb);
    const winui::Pixels pixels = winui::DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_EQ(pixels.Width, 16);
    ASSERT_EQ(pixels.Height, 8);
    ASSERT_EQ(pixels.Data.size(), 128u);
    for (int y : {0, 7}) {
        const std::uint32_t red = pixels.Data[y * 16 + 1];
        const std::uint32_t blue = pixels.Data[y * 16 + 14];
        EXPECT_GT(red >> 16, 230u) << y;
        EXPECT_LT(red & 0xFF, 25u) << y;
        EXPECT_GT(blue & 0xFF, 230u) << y;
        EXPECT_LT(blue >> 16, 25u) << y;
    }
}

TEST(JpegImage, BrokenInputIsAnErrorNotACrash) {
    const auto good = testing_jpeg::Solid(8, 8, 10, 20, 30);
    auto sized = [&](int width, int height) {  // the good picture with another size in its header
        std::vector<std::uint8_t> bytes = good;
        for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
            if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // start of frame
                bytes[i + 5] = std::uint8_t(height >> 8), bytes[i + 6] = std::uint8_t(height);
                bytes[i + 7] = std::uint8_t(width >> 8), bytes[i + 8] = std::uint8_t(width);
            }
        }
        return bytes;
    };
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"empty", {}},
        {"not a jpeg", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
        {"start marker only", {0xFF, 0xD8}},
        {"header cut short", {good.begin(), good.begin() + 40}},
        {"zero width", sized(0, 8)},
        {"larger than we take", sized(8192, 8192)},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_THROW(winui::DecodeJpeg(bytes.data(), bytes.size()), selvane::Exception) << name;
    }
    EXPECT_THROW(winui::DecodeJpegFile("no such picture.jpg"), selvane::Exception);
}

}  // namespace
