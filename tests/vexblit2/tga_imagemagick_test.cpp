// Files from an independent writer: ImageMagick's convert writes each TGA kind
// it can from a few source pictures, and the loaded pixels and alpha must be
// what the conversion table makes of the source's own values.

#include <gtest/gtest.h>
#include <stdlib.h>

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

constexpr int kW = 37, kH = 23;  // odd sizes: nothing lines up by accident

struct Rgba {
    uint8_t R, G, B, A;
};

uint16_t FromRgb(const Rgba& c, PixelFormat f) {
    return f == PixelFormat::Rgb565 ? uint16_t((c.R >> 3) << 11 | (c.G >> 2) << 5 | c.B >> 3)
                                    : uint16_t((c.R >> 3) << 10 | (c.G >> 3) << 5 | c.B >> 3);
}

// A 16-bit file value (here 1-5-5-5, as the writer stores it) taken as 565.
uint16_t From16(const Rgba& c, PixelFormat f) {
    auto five = [](uint8_t v) { return unsigned(v * 31 + 127) / 255; };
    const unsigned w = five(c.R) << 10 | five(c.G) << 5 | five(c.B);
    return f == PixelFormat::Rgb565 ? uint16_t(w)
                                    : uint16_t((w >> 11) << 10 | ((w >> 6) & 31) << 5 | (w & 31));
}

class TgaFromImageMagick : public testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/tga-im-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        Dir = tmpl;
        const std::string size = "-size " + std::to_string(kW) + "x" + std::to_string(kH);
        const std::string alpha = " -alpha set -channel A -fx \"((i*7+j*13)%32)/31\" +channel";
        // Fewer than 256 colours, so that a palette holds them exactly, and a
        // flat box for run packets; 8 bits a channel, as the files store them.
        Ok = Run(size +
                 " 'gradient:#ff8000-#0040ff' -swirl 150 -fill '#33cc99' -draw "
                 "\"rectangle 5,3 30,9\" +dither -colors 120 -type TrueColor -depth 8 " +
                 P("rgb.png")) &&
             Run(P("rgb.png") + alpha + " -depth 8 " + P("rgba.png")) &&
             Run(P("rgb.png") + " +dither -colors 8" + alpha + " -depth 8 " + P("rgba8.png")) &&
             Run(size +
                 " gradient:white-black -swirl 120 -fill gray50 -draw "
                 "\"rectangle 3,12 33,15\" -colorspace Gray -depth 8 " +
                 P("grey.png"));
    }
    static void TearDownTestSuite() {
        if (!Dir.empty()) fs::remove_all(Dir);
    }

    static std::string P(const std::string& name) { return "'" + (Dir / name).string() + "'"; }
    static bool Run(const std::string& args) {
        return std::system((std::string(TGA_TEST_CONVERT) + " " + args).c_str()) == 0;
    }

    // A picture's pixels as ImageMagick reads them: rows in stored order.
    static std::vector<Rgba> Pixels(const std::string& file) {
        std::vector<Rgba> v;
        if (!Run(P(file) + " -depth 8 rgba:" + P(file + ".raw"))) return v;
        std::ifstream in(Dir / (file + ".raw"), std::ios::binary);
        const Bytes b{std::istreambuf_iterator<char>(in), {}};
        for (size_t i = 0; i + 3 < b.size(); i += 4)
            v.push_back({b[i], b[i + 1], b[i + 2], b[i + 3]});
        return v;
    }

    static inline fs::path Dir;
    static inline bool Ok = false;
};

enum class Expect { Rgb, RgbAlpha, Grey, Stored16 };

TEST_F(TgaFromImageMagick, EveryKindInEveryRowOrder) {
    ASSERT_TRUE(Ok) << "convert failed";
    // The writer stores rows in memory order and only records the order in the
    // descriptor, so the picture is flipped first where the file runs the other way.
    const struct {
        const char* Name;
        const char* Source;
        const char* Options;
        Expect Kind;
        uint8_t Type, Descriptor;  // what the writer must have made
    } cases[] = {
        {"24", "rgb.png", "-type TrueColor -compress None -flip", Expect::Rgb, 2, 0x00},
        {"24rle", "rgb.png", "-type TrueColor -compress RLE -flip", Expect::Rgb, 10, 0x00},
        {"24td", "rgb.png", "-type TrueColor -orient TopLeft", Expect::Rgb, 2, 0x20},
        {"24rl", "rgb.png", "-type TrueColor -flip -flop -orient BottomRight", Expect::Rgb, 2,
         0x10},
        {"24rle-tdrl", "rgb.png", "-type TrueColor -compress RLE -flop -orient TopRight",
         Expect::Rgb, 10, 0x30},
        {"32", "rgba.png", "-type TrueColorAlpha -compress None -flip", Expect::RgbAlpha, 2, 0x08},
        {"32rle", "rgba.png", "-type TrueColorAlpha -compress RLE -flip", Expect::RgbAlpha, 10,
         0x08},
        {"32rle-tdrl", "rgba.png", "-type TrueColorAlpha -compress RLE -flop -orient TopRight",
         Expect::RgbAlpha, 10, 0x38},
        {"16", "rgb.png", "-depth 5 -type TrueColor -orient TopLeft", Expect::Stored16, 2, 0x20},
        {"16rle", "rgb.png", "-depth 5 -type TrueColor -compress RLE -orient TopLeft",
         Expect::Stored16, 10, 0x20},
        {"grey", "grey.png", "-type Grayscale -compress None -flip", Expect::Grey, 3, 0x00},
        {"greyrle-td", "grey.png", "-type Grayscale -compress RLE -orient TopLeft", Expect::Grey,
         11, 0x20},
        {"pal", "rgb.png", "-type Palette -compress None -flip", Expect::Rgb, 1, 0x00},
        {"palrle", "rgb.png", "-type Palette -compress RLE -flip", Expect::Rgb, 9, 0x00},
        {"palrle-rl", "rgb.png", "-type Palette -compress RLE -flip -flop -orient BottomRight",
         Expect::Rgb, 9, 0x10},
    };
    vexblit2::TTgaLoader loader;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string out = std::string(c.Name) + ".tga", path = (Dir / out).string();
        ASSERT_TRUE(Run(P(c.Source) + " " + c.Options + " " + P(out)));
        std::ifstream in(path, std::ios::binary);
        const Bytes head{std::istreambuf_iterator<char>(in), {}};
        ASSERT_GE(head.size(), 18u);
        ASSERT_EQ(head[2], c.Type);
        ASSERT_EQ(head[17], c.Descriptor);
        // the 16-bit values are what the writer stored, read back from its own file
        const std::vector<Rgba> src = Pixels(c.Kind == Expect::Stored16 ? out : c.Source);
        ASSERT_EQ(src.size(), size_t(kW * kH));
        for (PixelFormat f : {PixelFormat::Rgb565, PixelFormat::Rgb555}) {
            std::vector<uint16_t> px(kW * kH);
            std::vector<uint8_t> al(kW * kH);
            uint16_t w = 0, h = 0;
            const auto load = f == PixelFormat::Rgb565 ? &vexblit2::TTgaLoader::Load565
                                                       : &vexblit2::TTgaLoader::Load555;
            (loader.*load)(path.c_str(), px.data(), al.data(), &w, &h);
            ASSERT_EQ(w, kW);
            ASSERT_EQ(h, kH);
            for (size_t i = 0; i < src.size(); ++i) {
                const Rgba& s = src[i];
                const uint16_t want = c.Kind == Expect::Grey       ? FromRgb({s.R, s.R, s.R, 0}, f)
                                      : c.Kind == Expect::Stored16 ? From16(s, f)
                                                                   : FromRgb(s, f);
                const int wantAlpha = c.Kind == Expect::RgbAlpha ? s.A >> 3 : 31;
                ASSERT_EQ(px[i], want) << "pixel " << i % kW << "," << i / kW;
                ASSERT_EQ(al[i], wantAlpha) << "pixel " << i % kW << "," << i / kW;
            }
        }
    }
}

// The writer makes no 32-bit palette entries: this file puts the same kind of
// source picture into one, an entry per distinct colour and alpha.
TEST_F(TgaFromImageMagick, PaletteWith32BitEntries) {
    ASSERT_TRUE(Ok) << "convert failed";
    const std::vector<Rgba> src = Pixels("rgba8.png");
    ASSERT_EQ(src.size(), size_t(kW * kH));
    std::map<uint32_t, uint8_t> index;
    Bytes map, body;
    for (int y = kH - 1; y >= 0; --y) {  // bottom-up
        for (int x = 0; x < kW; ++x) {
            const Rgba& c = src[y * kW + x];
            auto [it, added] = index.try_emplace(uint32_t(c.R << 24 | c.G << 16 | c.B << 8 | c.A),
                                                 uint8_t(index.size()));
            if (added) map.insert(map.end(), {c.B, c.G, c.R, c.A});
            body.push_back(it->second);
        }
    }
    ASSERT_LE(index.size(), 256u);
    map.insert(map.end(), body.begin(), body.end());
    for (uint8_t attributeBits : {8, 0}) {
        tgatest::Header h;
        h.MapType = h.Type = 1;
        h.MapLength = uint16_t(index.size());
        h.EntryBits = 32;
        h.Width = kW;
        h.Height = kH;
        h.Depth = 8;
        h.Descriptor = attributeBits;
        auto d = tgatest::Decode(tgatest::MakeTga(h, map), PixelFormat::Rgb565);
        for (size_t i = 0; i < src.size(); ++i) {
            ASSERT_EQ(d.Pixels[i], FromRgb(src[i], PixelFormat::Rgb565)) << i;
            ASSERT_EQ(d.Alpha[i], attributeBits ? src[i].A >> 3 : 31) << i;
        }
    }
}

}  // namespace
