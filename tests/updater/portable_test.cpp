// The chosen-server file, and the pictures selvane.exe keeps inside it.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/exception.h"
#include "tests/update/temp_dir.h"
#include "updater/chosen_server.h"
#include "winui/jpeg_image.h"

namespace {

TEST(ChosenServer, FirstLineIsTheIndexAndAnythingElseRaises) {
    struct Case {
        const char* bytes;  // nullptr: no file
        std::optional<int> index;
        bool raises;
    };
    const Case cases[] = {
        {nullptr, std::nullopt, false},
        {"1\r\n", 1, false},
        {"2\r\n7\r\n", 2, false},  // only the first line counts
        {"-1\r\n", -1, false},     // stored when nothing was selected
        {"  3", 3, false},
        {"", std::nullopt, true},
        {"\r\n5\r\n", std::nullopt, true},
        {"x1\r\n", std::nullopt, true},
        {"1x\r\n", std::nullopt, true},
        {"1 \r\n", std::nullopt, true},
        {"99999999999\r\n", std::nullopt, true},
    };
    for (const Case& c : cases) {
        testutil::TempDir dir;
        const auto file = dir.Path / "isp1.dat";
        if (c.bytes != nullptr) {
            testutil::WriteFile(file, c.bytes);
        }
        const std::string label = c.bytes != nullptr ? c.bytes : "(no file)";
        if (c.raises) {
            EXPECT_THROW(updater::ReadChosenServer(file), selvane::Exception) << label;
        } else {
            EXPECT_EQ(updater::ReadChosenServer(file), c.index) << label;
        }
    }
}

TEST(ChosenServer, WritingReplacesTheWholeFile) {
    testutil::TempDir dir;
    const auto file = dir.Path / "isp1.dat";
    testutil::WriteFile(file, "12345\r\nold second line\r\n");
    updater::WriteChosenServer(file, 2);
    EXPECT_EQ(testutil::ReadFile(file), "2\r\n");
    updater::WriteChosenServer(file, -1);
    EXPECT_EQ(testutil::ReadFile(file), "-1\r\n");
}

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
