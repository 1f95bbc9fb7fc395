// The shipped pictures: every name the windows load exists, decodes, and has
// the size of the control it fills.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "winui/jpeg_image.h"

namespace {

TEST(Artwork, EveryPictureOfBothSetsDecodesAtItsControlSize) {
    const std::filesystem::path dir = SELVANE_MAINPIC_DIR;
    struct Picture {
        std::string name;
        int width, height;
    };
    std::vector<Picture> pictures = {{"1.jpg", 48, 25}, {"2.jpg", 100, 29}, {"6.jpg", 27, 17}};
    for (const char* set : {"c", "s"}) {
        pictures.push_back({std::string("0") + set + ".jpg", 289, 480});
        pictures.push_back({std::string("0") + set + "1.jpg", 360, 240});
        for (int button = 1; button <= 5; ++button) {
            for (int look = 1; look <= 2; ++look) {
                pictures.push_back(
                    {std::to_string(button) + "-" + std::to_string(look) + set + ".jpg", 158, 54});
            }
        }
    }
    for (const Picture& p : pictures) {
        const winui::Pixels pixels = winui::DecodeJpegFile(dir / p.name);
        EXPECT_EQ(pixels.Width, p.width) << p.name;
        EXPECT_EQ(pixels.Height, p.height) << p.name;
    }
}

}  // namespace
