// Files from an independent writer: ImageMagick's convert writes each TGA kind
// it supports from a few source pictures, and the loaded pixels and alpha must
// be what the conversion table makes of the source's own values.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "tga_test_util.h"

namespace {

namespace fs = std::filesystem;
using tgatest::Bytes;
using vexblit2::PixelFormat;

constexpr int kW = 37, kH = 23;  // odd sizes, nothing lines up by accident

struct Rgba {
    uint8_t R, G, B, A;
};

Bytes ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class TgaFromImageMagick : public testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/tga-im-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        Dir = tmpl;
        // A swirl of colours (fewer than 256, so a palette holds them exactly)
        // with a flat box that run-length packets compress.
        Ok = Run("-size " + Size() +
                 " 'gradient:#ff8000-#0040ff' -swirl 150 -fill '#33cc99'"
                 " -draw \"rectangle 5,3 30,9\" +dither -colors 120 -type TrueColor -depth 8 " +
                 P("rgb.png")) &&
             Run(P("rgb.png") +
                 " -alpha set -channel A -fx \"((i*7+j*13)%32)/31\" +channel -depth 8 " +
                 P("rgba.png")) &&
             // at most 8 colours x 32 alphas: fits one palette
             Run(P("rgb.png") +
                 " +dither -colors 8 -alpha set -channel A -fx \"((i*7+j*13)%32)/31\""
                 " +channel -depth 8 " +
                 P("rgba8.png")) &&
             Run("-size " + Size() +
                 " gradient:white-black -swirl 120 -fill gray50"
                 " -draw \"rectangle 3,12 33,15\" -colorspace Gray -depth 8 " +
                 P("grey.png"));
    }
    static void TearDownTestSuite() {
        if (!Dir.empty()) fs::remove_all(Dir);
    }

    static std::string Size() { return std::to_string(kW) + "x" + std::to_string(kH); }
    static std::string P(const std::string& name) { return "'" + (Dir / name).string() + "'"; }
    static bool Run(const std::string& args) {
        const std::string cmd = std::string(TGA_TEST_CONVERT) + " " + args + " 2>&1";
        return std::system(cmd.c_str()) == 0;
    }

    // The source picture's pixels, top row first, as ImageMagick reads them.
    static std::vector<Rgba> Pixels(const std::string& file) {
        const std::string raw = file + ".rgba";
        if (!Run(P(file) + " -depth 8 rgba:" + P(raw))) return {};
        const Bytes b = ReadAll(Dir / raw);
        std::vector<Rgba> v;
        for (size_t i = 0; i + 3 < b.size(); i += 4)
            v.push_back({b[i], b[i + 1], b[i + 2], b[i + 3]});
        return v;
    }

    static void Load(const std::string& file, PixelFormat f, std::vector<uint16_t>& px,
                     std::vector<uint8_t>& al) {
        vexblit2::TTgaLoader loader;
        px.assign(kW * kH, 0xDEAD);
        al.assign(kW * kH, 0xEE);
        uint16_t w = 0, h = 0;
        const std::string path = (Dir / file).string();
        if (f == PixelFormat::Rgb565)
            loader.Load565(path.c_str(), px.data(), al.data(), &w, &h);
        else
            loader.Load555(path.c_str(), px.data(), al.data(), &w, &h);
        EXPECT_EQ(w, kW);
        EXPECT_EQ(h, kH);
    }

    static inline fs::path Dir;
    static inline bool Ok = false;
};

uint16_t FromRgb(const Rgba& c, PixelFormat f) {
    return f == PixelFormat::Rgb565 ? uint16_t((c.R >> 3) << 11 | (c.G >> 2) << 5 | c.B >> 3)
                                    : uint16_t((c.R >> 3) << 10 | (c.G >> 3) << 5 | c.B >> 3);
}
uint16_t FromGrey(uint8_t v, PixelFormat f) { return FromRgb({v, v, v, 255}, f); }

enum class Expect { Rgb, RgbAlpha, Grey };

struct Case {
    const char* Name;
    const char* Source;
    const char* Options;
    Expect Kind;
    uint8_t Type, Descriptor;  // what the writer must have produced
};

TEST_F(TgaFromImageMagick, EveryKindInEveryRowOrder) {
    ASSERT_TRUE(Ok) << "convert failed";
    // The writer stores its rows in memory order and only records the order in
    // the descriptor, so bottom-up and right-to-left files are flipped first.
    const char* up = "-flip -orient BottomLeft";
    const Case cases[] = {
        {"24-bit", "rgb.png", "-type TrueColor -compress None", Expect::Rgb, 2, 0x00},
        {"24-bit rle", "rgb.png", "-type TrueColor -compress RLE", Expect::Rgb, 10, 0x00},
        {"24-bit top-down", "rgb.png", "-type TrueColor -orient TopLeft", Expect::Rgb, 2, 0x20},
        {"24-bit right to left", "rgb.png", "-type TrueColor -flip -flop -orient BottomRight",
         Expect::Rgb, 2, 0x10},
        {"24-bit rle top-down right to left", "rgb.png",
         "-type TrueColor -compress RLE -flop -orient TopRight", Expect::Rgb, 10, 0x30},
        {"32-bit", "rgba.png", "-type TrueColorAlpha -compress None", Expect::RgbAlpha, 2, 0x08},
        {"32-bit rle", "rgba.png", "-type TrueColorAlpha -compress RLE", Expect::RgbAlpha, 10,
         0x08},
        {"32-bit rle top-down right to left", "rgba.png",
         "-type TrueColorAlpha -compress RLE -flop -orient TopRight", Expect::RgbAlpha, 10, 0x38},
        {"grey", "grey.png", "-type Grayscale -compress None", Expect::Grey, 3, 0x00},
        {"grey rle top-down", "grey.png", "-type Grayscale -compress RLE -orient TopLeft",
         Expect::Grey, 11, 0x20},
        {"palette, 24-bit entries", "rgb.png", "-type Palette -compress None", Expect::Rgb, 1,
         0x00},
        {"palette rle", "rgb.png", "-type Palette -compress RLE", Expect::Rgb, 9, 0x00},
        {"palette rle right to left", "rgb.png",
         "-type Palette -compress RLE -flip -flop -orient BottomRight", Expect::Rgb, 9, 0x10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string out = std::string(c.Name) + ".tga";
        const std::string order = (c.Descriptor & 0x30) == 0 ? up : "";
        ASSERT_TRUE(Run(P(c.Source) + " " + c.Options + " " + order + " " + P(out)));
        const Bytes file = ReadAll(Dir / out);
        ASSERT_GE(file.size(), 18u);
        ASSERT_EQ(file[2], c.Type);
        ASSERT_EQ(file[17], c.Descriptor);
        const std::vector<Rgba> src = Pixels(c.Source);
        ASSERT_EQ(src.size(), size_t(kW * kH));
        for (PixelFormat f : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
            std::vector<uint16_t> px;
            std::vector<uint8_t> al;
            Load(out, f, px, al);
            int bad = 0;
            for (size_t i = 0; i < src.size() && bad < 5; ++i) {
                const uint16_t want =
                    c.Kind == Expect::Grey ? FromGrey(src[i].R, f) : FromRgb(src[i], f);
                const uint8_t wantAlpha = c.Kind == Expect::RgbAlpha ? src[i].A >> 3 : 31;
                if (px[i] != want || al[i] != wantAlpha) {
                    ++bad;
                    ADD_FAILURE() << "pixel " << i % kW << "," << i / kW << ": " << std::hex
                                  << px[i] << " want " << want << ", alpha " << std::dec
                                  << int(al[i]) << " want " << int(wantAlpha);
                }
            }
        }
    }
}

// The writer's 16-bit files hold 1-5-5-5 values; the loader takes 16-bit
// values as 565 pixels. The expected pixel is that rule applied to the 5-bit
// channels the writer stored, which ImageMagick reads back exactly.
TEST_F(TgaFromImageMagick, SixteenBitValuesAreTakenAs565) {
    ASSERT_TRUE(Ok) << "convert failed";
    for (const char* compress : {"None", "RLE"}) {
        SCOPED_TRACE(compress);
        const std::string out = std::string("16-") + compress + ".tga";
        ASSERT_TRUE(Run(P("rgb.png") + " -depth 5 -type TrueColor -orient TopLeft -compress " +
                        compress + " " + P(out)));
        const Bytes file = ReadAll(Dir / out);
        ASSERT_EQ(file[16], 16);
        const std::vector<Rgba> stored = Pixels(out);
        ASSERT_EQ(stored.size(), size_t(kW * kH));
        for (PixelFormat f : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
            std::vector<uint16_t> px;
            std::vector<uint8_t> al;
            Load(out, f, px, al);
            int bad = 0;
            for (size_t i = 0; i < stored.size() && bad < 5; ++i) {
                auto five = [](uint8_t v) { return unsigned(v * 31 + 127) / 255; };
                const unsigned w =
                    five(stored[i].R) << 10 | five(stored[i].G) << 5 | five(stored[i].B);
                const uint16_t want =
                    f == PixelFormat::Rgb565
                        ? uint16_t(w)
                        : uint16_t((w >> 11) << 10 | ((w >> 6) & 31) << 5 | (w & 31));
                if (px[i] != want || al[i] != 31) {
                    ++bad;
                    ADD_FAILURE() << "pixel " << i << ": " << std::hex << px[i] << " want " << want;
                }
            }
        }
    }
}

// The writer has no 32-bit palette entries; this file takes the same source
// picture into a palette of 32-bit entries, one per distinct colour and alpha.
TEST_F(TgaFromImageMagick, PaletteWith32BitEntries) {
    ASSERT_TRUE(Ok) << "convert failed";
    const std::vector<Rgba> src = Pixels("rgba8.png");
    ASSERT_EQ(src.size(), size_t(kW * kH));
    std::map<uint32_t, uint8_t> index;
    Bytes map, body;
    for (int y = kH - 1; y >= 0; --y) {  // bottom-up, as files usually are
        for (int x = 0; x < kW; ++x) {
            const Rgba& c = src[y * kW + x];
            const uint32_t key = uint32_t(c.R) << 24 | c.G << 16 | c.B << 8 | c.A;
            auto [it, added] = index.try_emplace(key, uint8_t(index.size()));
            if (added) map.insert(map.end(), {c.B, c.G, c.R, c.A});
            body.push_back(it->second);
        }
    }
    ASSERT_LE(index.size(), 256u);
    for (uint8_t attributeBits : {8, 0}) {
        tgatest::Header h;
        h.MapType = 1;
        h.Type = 1;
        h.MapLength = uint16_t(index.size());
        h.EntryBits = 32;
        h.Width = kW;
        h.Height = kH;
        h.Depth = 8;
        h.Descriptor = attributeBits;
        Bytes all = map;
        all.insert(all.end(), body.begin(), body.end());
        auto d = tgatest::Decode(tgatest::MakeTga(h, all), PixelFormat::Rgb565);
        for (size_t i = 0; i < src.size(); ++i) {
            ASSERT_EQ(d.Pixels[i], FromRgb(src[i], PixelFormat::Rgb565)) << i;
            ASSERT_EQ(d.Alpha[i], attributeBits ? src[i].A >> 3 : 31) << i;
        }
    }
}

}  // namespace
