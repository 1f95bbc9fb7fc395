// vx_LoadTga through the shared library, as the game client calls it: the
// format flag picks the conversion, failures reach the caller with their text
// and leave the loader usable.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tga_export_caller.h"
#include "vexblit2/vexblit2.h"

namespace {

namespace fs = std::filesystem;

// Names of our own, so that builds testing at the same time do not meet.
std::string TempPath(const std::string& name) {
    static const std::string tag = std::to_string(std::random_device{}());
    return (fs::temp_directory_path() / ("tga-" + tag + "-" + name)).string();
}

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& b) {
    const std::string p = TempPath(name);
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    return p;
}

TEST(TgaExport, LoadsAndFailsThroughTheLibraryBoundary) {
    // 2 x 1, 24-bit, top-down: (B,G,R) FF 80 00 and 00 00 FF
    const std::string ok = WriteTemp(
        "tga-export-ok.tga",
        {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 0xFF, 0x80, 0, 0, 0, 0xFF});
    // 3 x 2 colour-mapped with first entry 1: refused
    const std::string refused = WriteTemp(
        "tga-export-refused.tga", {0, 1, 1, 1, 0, 2, 0, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0, 1, 2, 3});
    const std::string missing = TempPath("missing.tga");
    const struct {
        const std::string& File;
        uint32_t Mode;  // to vx_CheckMMX_Bit16: low 16 bits 1 selects 565
        uint32_t Kind;
        std::string Text;
        uint16_t WantW, WantH, Want0, Want1;
    } cases[] = {
        {ok, 1, 0, "", 2, 1, 0x041F, 0xF800},
        {ok, 0x10001, 0, "", 2, 1, 0x041F, 0xF800},
        {ok, 16, 0, "", 2, 1, 0x021F, 0x7C00},
        {missing, 1, VX_TGA_CANNOT_OPEN, "Cannot open file " + missing, 9, 9, 0xAAAA, 0xAAAA},
        {refused, 1, VX_TGA_PALETTE_ERROR, "Tga file pallete error ! (ReadTga, line 565)", 3, 2,
         0xAAAA, 0xAAAA},
        {refused, 0, VX_TGA_PALETTE_ERROR, "Tga file pallete error ! (ReadTga, line 871)", 3, 2,
         0xAAAA, 0xAAAA},
        {ok, 0, 0, "", 2, 1, 0x021F, 0x7C00},  // still usable after failures
    };
    vx_Init(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File + " " + std::to_string(c.Mode));
        vx_CheckMMX_Bit16(c.Mode);
        uint16_t px[3] = {0xAAAA, 0xAAAA, 0xAAAA}, w = 9, h = 9;
        uint8_t al[3] = {0xBB, 0xBB, 0xBB};
        TgaCallResult r;
        CallLoadTga(c.File.c_str(), px, al, &w, &h, &r);
        EXPECT_EQ(r.Failed, c.Kind != 0);
        EXPECT_EQ(std::string(r.Text), c.Text);
#if defined(_WIN32)
        if (c.Kind) {
            EXPECT_EQ(r.Code, VX_TGA_EXCEPTION);
            EXPECT_EQ(r.Kind, c.Kind);
            EXPECT_NE(r.Flags & 1u, 0u);  // EXCEPTION_NONCONTINUABLE
        }
#endif
        EXPECT_EQ(w, c.WantW);
        EXPECT_EQ(h, c.WantH);
        EXPECT_EQ(px[0], c.Want0);
        EXPECT_EQ(px[1], c.Want1);
        EXPECT_EQ(px[2], 0xAAAA);  // past the image: untouched
        EXPECT_EQ(al[0], c.Kind ? 0xBB : 31);
    }
    vx_Free();
    vx_CheckMMX_Bit16(0);
    fs::remove(ok);
    fs::remove(refused);
}

}  // namespace
