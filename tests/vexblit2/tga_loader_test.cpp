// The loader object: file reading, failures, and reuse of its buffer.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tga_test_util.h"

namespace {

namespace fs = std::filesystem;
using tgatest::Bytes;

fs::path WriteTemp(const std::string& name, const Bytes& b) {
    const fs::path p = fs::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    return p;
}

Bytes Grey(uint16_t w, uint16_t h, uint8_t v) {
    tgatest::Header hd;
    hd.Type = 3;
    hd.Depth = 8;
    hd.Width = w;
    hd.Height = h;
    return tgatest::MakeTga(hd, Bytes(size_t(w) * h, v));
}

TEST(TgaLoader, NameThatCannotBeOpenedFailsAndTouchesNothing) {
    vexblit2::TTgaLoader loader;
    const std::string dir = fs::temp_directory_path().string();
    for (const std::string& name : {dir + "/no-such-file.tga", dir}) {
        uint16_t px[4] = {1, 2, 3, 4}, w = 77, h = 88;
        uint8_t al[4] = {5, 6, 7, 8};
        try {
            loader.Load565(name.c_str(), px, al, &w, &h);
            ADD_FAILURE() << "no failure for " << name;
        } catch (const vexblit2::TgaError& e) {
            EXPECT_EQ(e.ErrorKind, vexblit2::TgaError::Kind::CannotOpen);
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + name);
        }
        EXPECT_EQ(w, 77);
        EXPECT_EQ(h, 88);
        EXPECT_EQ(px[3], 4);
        EXPECT_EQ(al[3], 8);
    }
}

// Loads in a row: the file image is replaced each time, its buffer kept, and a
// failure in between leaves the loader as usable as before.
TEST(TgaLoader, LoadsInARowReuseTheFileBuffer) {
    vexblit2::TTgaLoader loader;
    const fs::path big = WriteTemp("tga-loader-big.tga", Grey(64, 64, 0x80));
    const fs::path small = WriteTemp("tga-loader-small.tga", Grey(2, 1, 0xFF));
    std::vector<uint16_t> px(64 * 64);
    std::vector<uint8_t> al(64 * 64);
    uint16_t w = 0, h = 0;

    loader.Load555(big.string().c_str(), px.data(), al.data(), &w, &h);
    EXPECT_EQ(px[4095], 0x4210);
    const uint8_t* buffer = loader.FileImage().data();

    EXPECT_THROW(loader.Load565("/no/such/dir/x.tga", px.data(), al.data(), &w, &h),
                 vexblit2::TgaError);

    loader.Load565(small.string().c_str(), px.data(), al.data(), &w, &h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(px[0], 0xFFFF);
    EXPECT_EQ(px[2], 0x4210);  // beyond the small image: untouched
    EXPECT_EQ(loader.FileImage().size(), 18u + 2u);
    EXPECT_EQ(loader.FileImage().data(), buffer);

    fs::remove(big);
    fs::remove(small);
}

}  // namespace
