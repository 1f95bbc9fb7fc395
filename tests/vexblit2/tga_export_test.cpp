// vx_LoadTga through the library's export, as the game client calls it.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tga_export_caller.h"
#include "vexblit2/vexblit2.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string WriteTemp(const std::string& name, const Bytes& b) {
    const fs::path p = fs::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    return p.string();
}

// 2 x 1, 24-bit, top-down: pixels (B,G,R) FF 80 00 and 00 00 FF.
Bytes TwoPixels() {
    return {0, 0, 2, 0, 0,  0,    0,    0,    0,    0,    0,    0,
            2, 0, 1, 0, 24, 0x20, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF};
}

// Colour-mapped, 3 x 2, with a first colour-map entry of 1: refused.
Bytes RefusedPalette() {
    return {0, 1, 1, 1, 0, 2, 0, 24, 0, 0, 0, 0, 3, 0, 2,
            0, 8, 0, 1, 2, 3, 4, 5,  6, 0, 0, 0, 0, 0, 0};
}

class TgaExport : public testing::Test {
protected:
    void SetUp() override { vx_Init(0); }
    void TearDown() override {
        vx_Free();
        vx_CheckMMX_Bit16(0);
    }
    uint16_t Px[8] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
    uint8_t Al[8] = {0xBB, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB};
    uint16_t W = 0x1111, H = 0x2222;
};

TEST_F(TgaExport, LoadsInTheFormatOfTheFlag) {
    const std::string file = WriteTemp("tga-export-ok.tga", TwoPixels());
    struct {
        uint32_t Mode;
        uint16_t Want0, Want1;
    } cases[] = {
        {1, 0x041F, 0xF800}, {0x10001, 0x041F, 0xF800}, {0, 0x021F, 0x7C00}, {16, 0x021F, 0x7C00}};
    for (const auto& c : cases) {
        vx_CheckMMX_Bit16(c.Mode);
        TgaCallResult r;
        CallLoadTga(file.c_str(), Px, Al, &W, &H, &r);
        EXPECT_FALSE(r.Failed) << r.Text;
        EXPECT_EQ(W, 2);
        EXPECT_EQ(H, 1);
        EXPECT_EQ(Px[0], c.Want0) << c.Mode;
        EXPECT_EQ(Px[1], c.Want1) << c.Mode;
        EXPECT_EQ(Px[2], 0xAAAA);  // the caller's 16-bit variables and buffers only
        EXPECT_EQ(Al[0], 31);
        EXPECT_EQ(Al[2], 0xBB);
    }
    fs::remove(file);
}

TEST_F(TgaExport, FailuresReachTheCallerWithTheirText) {
    const std::string refused = WriteTemp("tga-export-refused.tga", RefusedPalette());
    const std::string ok = WriteTemp("tga-export-ok2.tga", TwoPixels());
    const std::string missing = (fs::temp_directory_path() / "tga-export-missing.tga").string();
    struct {
        const std::string* File;
        uint32_t Mode;
        uint32_t Kind;
        std::string Text;
        uint16_t WantW, WantH;
    } cases[] = {
        {&missing, 1, VX_TGA_CANNOT_OPEN, "Cannot open file " + missing, 0x1111, 0x2222},
        {&refused, 1, VX_TGA_PALETTE_ERROR, "Tga file pallete error ! (ReadTga, line 565)", 3, 2},
        {&refused, 0, VX_TGA_PALETTE_ERROR, "Tga file pallete error ! (ReadTga, line 871)", 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        vx_CheckMMX_Bit16(c.Mode);
        W = 0x1111;
        H = 0x2222;
        TgaCallResult r;
        CallLoadTga(c.File->c_str(), Px, Al, &W, &H, &r);
        EXPECT_TRUE(r.Failed);
        EXPECT_EQ(std::string(r.Text), c.Text);
#if defined(_WIN32)
        EXPECT_EQ(r.Code, VX_TGA_EXCEPTION);
        EXPECT_EQ(r.Kind, c.Kind);
        EXPECT_NE(r.Flags & 1u, 0u);  // EXCEPTION_NONCONTINUABLE
#endif
        EXPECT_EQ(W, c.WantW);
        EXPECT_EQ(H, c.WantH);
        EXPECT_EQ(Px[0], 0xAAAA);
        EXPECT_EQ(Al[0], 0xBB);

        // the loader stays usable
        CallLoadTga(ok.c_str(), Px, Al, &W, &H, &r);
        EXPECT_FALSE(r.Failed) << r.Text;
        EXPECT_EQ(W, 2);
        Px[0] = 0xAAAA;
        Al[0] = 0xBB;
    }
    fs::remove(refused);
    fs::remove(ok);
}

}  // namespace
