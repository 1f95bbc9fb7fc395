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

TEST(Artwork, TheUpdateWindowAndChooserPicturesDecodeAtTheirSizes) {
    const std::filesystem::path upimg = SELVANE_UPIMG_DIR;
    const std::filesystem::path chooser = SELVANE_CHOOSER_PICTURES_DIR;
    struct Picture {
        std::filesystem::path file;
        int width, height;
    };
    // The window takes the background's size; its controls sit up to 580 x 403.
    std::vector<Picture> pictures = {{chooser / "background.jpg", 400, 400},
                                     {chooser / "ok.jpg", 99, 29}};
    for (const char* set : {"c", "s"}) {
        pictures.push_back({upimg / (std::string("0") + set + ".jpg"), 620, 440});
        for (const char* look : {"-1", "-2"}) {
            pictures.push_back({upimg / (std::string("1") + look + set + ".jpg"), 90, 26});
            pictures.push_back({upimg / (std::string("2") + look + set + ".jpg"), 129, 26});
            pictures.push_back({upimg / (std::string("3") + look + set + ".jpg"), 90, 26});
        }
    }
    for (const Picture& p : pictures) {
        const winui::Pixels pixels = winui::DecodeJpegFile(p.file);
        EXPECT_EQ(pixels.Width, p.width) << p.file;
        EXPECT_EQ(pixels.Height, p.height) << p.file;
    }
}

}  // namespace
