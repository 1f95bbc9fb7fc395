// The loader object: names that are no readable file, and its kept buffer.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tga_test_util.h"

namespace {

namespace fs = std::filesystem;

// Names of our own, so that builds testing at the same time do not meet.
fs::path TempPath(const std::string& name) {
    static const std::string tag = std::to_string(std::random_device{}());
    return fs::temp_directory_path() / ("tga-" + tag + "-" + name);
}

TEST(TgaLoader, FailsOnNamesThatAreNoFileAndKeepsItsBuffer) {
    vexblit2::TTgaLoader loader;
    tgatest::Header h;
    h.Type = 3;
    h.Depth = 8;
    h.Width = 64;
    h.Height = 64;
    const fs::path big = TempPath("big.tga");
    const fs::path small = TempPath("small.tga");
    const auto write = [](const fs::path& p, const tgatest::Bytes& b) {
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    };
    write(big, tgatest::MakeTga(h, tgatest::Bytes(64 * 64, 0x80)));
    h.Width = 2;
    h.Height = 1;
    write(small, tgatest::MakeTga(h, {0xFF, 0xFF}));
    std::vector<uint16_t> px(64 * 64, 1);
    std::vector<uint8_t> al(64 * 64, 1);
    uint16_t w = 7, hh = 7;

    loader.Load555(big.string().c_str(), px.data(), al.data(), &w, &hh);
    EXPECT_EQ(px[4095], 0x4210);
    const uint8_t* buffer = loader.FileImage().data();

    // a missing file and a directory: the text names them, nothing is written
    for (const std::string& name :
         {TempPath("missing.tga").string(), fs::temp_directory_path().string()}) {
        w = hh = 7;
        try {
            loader.Load565(name.c_str(), px.data(), al.data(), &w, &hh);
            ADD_FAILURE() << name;
        } catch (const vexblit2::TgaError& e) {
            EXPECT_EQ(e.ErrorKind, vexblit2::TgaError::Kind::CannotOpen);
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + name);
        }
        EXPECT_EQ(w + hh, 14);
        EXPECT_EQ(px[0], 0x4210);
    }

    // the next load replaces the file image in the same buffer
    loader.Load565(small.string().c_str(), px.data(), al.data(), &w, &hh);
    EXPECT_EQ(w * 100 + hh, 201);
    EXPECT_EQ(px[0], 0xFFFF);
    EXPECT_EQ(px[2], 0x4210);  // beyond the small image: untouched
    EXPECT_EQ(loader.FileImage().size(), 20u);
    EXPECT_EQ(loader.FileImage().data(), buffer);
    fs::remove(big);
    fs::remove(small);
}

}  // namespace
