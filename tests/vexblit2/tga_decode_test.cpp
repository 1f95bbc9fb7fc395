// Hand-built TGA files: the conversion table, run-length packets, palettes and
// the malformed files that must stay inside their buffers.

#include <gtest/gtest.h>

#include "tga_test_util.h"

namespace {

using tgatest::Bytes;
using tgatest::Decode;
using tgatest::Header;
using tgatest::MakeTga;
constexpr auto k565 = vexblit2::PixelFormat::Rgb565;
constexpr auto k555 = vexblit2::PixelFormat::Rgb555;

// One pixel of each kind, stored plainly and as a run packet of one.
TEST(TgaDecode, ConvertsEachPixelKindIntoBothFormats) {
    struct {
        uint8_t Type, Depth;
        Bytes Value;
        uint16_t Want565, Want555;
        uint8_t WantAlpha;
    } cases[] = {
        {2, 24, {0xFF, 0x80, 0x00}, 0x041F, 0x021F, 31},
        {2, 24, {0x12, 0x34, 0x56}, 0x51A2, 0x28C2, 31},
        {2, 32, {0xFF, 0x80, 0x00, 0x80}, 0x041F, 0x021F, 16},
        {2, 32, {0x00, 0x00, 0x00, 0x07}, 0x0000, 0x0000, 0},
        {3, 8, {0x80}, 0x8410, 0x4210, 31},
        {2, 16, {0xFF, 0xFF}, 0xFFFF, 0x7FFF, 31},
        {2, 16, {0x10, 0x84}, 0x8410, 0x4210, 31},  // taken as 565, not 1-5-5-5
        {2, 15, {0xFF, 0xFF}, 0xFFDF, 0x7FFF, 31},
        {2, 15, {0x95, 0x52}, 0xA515, 0x5295, 31},
    };
    for (const auto& c : cases) {
        for (uint8_t rle : {0, 8}) {
            Header h;
            h.Type = uint8_t(c.Type + rle);
            h.Depth = c.Depth;
            Bytes body = rle ? Bytes{0x80} : Bytes{};
            body.insert(body.end(), c.Value.begin(), c.Value.end());
            auto a = Decode(MakeTga(h, body), k565), b = Decode(MakeTga(h, body), k555);
            SCOPED_TRACE(testing::Message() << "type " << int(h.Type) << " depth " << int(c.Depth));
            EXPECT_EQ(a.Pixels[0], c.Want565);
            EXPECT_EQ(b.Pixels[0], c.Want555);
            EXPECT_EQ(a.Alpha[0], c.WantAlpha);
            EXPECT_EQ(b.Alpha[0], c.WantAlpha);
        }
    }
}

// Grey images, run-length coded, top-down, 565.
TEST(TgaDecode, RunLengthPackets) {
    const uint16_t W = 0xFFFF, G = 0x8410, K = 0;
    struct {
        const char* Name;
        uint16_t Width, Height;
        Bytes Body;
        std::vector<uint16_t> Want;
    } cases[] = {
        {"run of four", 4, 1, {0x83, 0x80}, {G, G, G, G}},
        {"raw then run", 4, 1, {0x01, 0x00, 0xFF, 0x81, 0x80}, {K, W, G, G}},
        // a packet running past its row continues on the next row...
        {"run across rows", 3, 2, {0x84, 0xFF, 0x00, 0x00}, {W, W, W, W, W, K}},
        {"raw across rows", 2, 2, {0x03, 0x00, 0x80, 0xFF, 0x00}, {K, G, W, K}},
        // ...and past the last row it is dropped
        {"run past the image", 2, 1, {0xFF, 0xFF}, {W, W}},
        {"raw past the image", 1, 1, {0x7F, 0xFF, 1, 2, 3}, {W}},
    };
    for (const auto& c : cases) {
        Header h;
        h.Type = 11;
        h.Depth = 8;
        h.Width = c.Width;
        h.Height = c.Height;
        h.Descriptor = 0x20;
        auto d = Decode(MakeTga(h, c.Body), k565);
        EXPECT_TRUE(d.GuardsIntact) << c.Name;
        EXPECT_EQ(d.Pixels, c.Want) << c.Name;
    }
}

// Three pixels of a colour-mapped image; the map holds red (alpha 0x80), green
// (opaque) and blue (alpha 0) in its 32-bit form.
TEST(TgaDecode, ColourMappedImages) {
    const Bytes map32 = {0, 0, 0xFF, 0x80, 0, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0};
    struct {
        const char* Name;
        uint16_t MapLength;
        uint8_t EntryBits, AttributeBits;
        Bytes Map, Indices;
        std::vector<uint16_t> Want;
        std::vector<uint8_t> WantAlpha;
    } cases[] = {
        {"alpha bits 8", 3, 32, 8, map32, {0, 1, 2}, {0xF800, 0x07E0, 0x001F}, {16, 31, 0}},
        {"alpha bits 0", 3, 32, 0, map32, {0, 1, 2}, {0xF800, 0x07E0, 0x001F}, {31, 31, 31}},
        {"24-bit",
         2,
         24,
         0,
         {0, 0x80, 0xFF, 0xFF, 0, 0},
         {1, 0, 1},
         {0x001F, 0xFC00, 0x001F},
         {31, 31, 31}},
        {"8-bit is grey", 2, 8, 0, {0x80, 0xFF}, {1, 0, 0}, {0xFFFF, 0x8410, 0x8410}, {31, 31, 31}},
        {"15-bit", 1, 15, 0, {0xFF, 0x7F}, {0, 0, 0}, {0xFFDF, 0xFFDF, 0xFFDF}, {31, 31, 31}},
        // indices at or beyond the map length read as opaque black
        {"beyond the map",
         2,
         32,
         8,
         Bytes(map32.begin(), map32.begin() + 8),
         {1, 2, 255},
         {0x07E0, 0, 0},
         {31, 31, 31}},
    };
    for (const auto& c : cases) {
        for (uint8_t rle : {0, 8}) {
            Header h;
            h.MapType = 1;
            h.Type = uint8_t(1 + rle);
            h.MapLength = c.MapLength;
            h.EntryBits = c.EntryBits;
            h.Depth = 8;
            h.Width = 3;
            h.Descriptor = uint8_t(0x20 | c.AttributeBits);
            Bytes body = c.Map;
            if (rle) body.push_back(0x02);
            body.insert(body.end(), c.Indices.begin(), c.Indices.end());
            auto d = Decode(MakeTga(h, body), k565);
            EXPECT_EQ(d.Pixels, c.Want) << c.Name << " " << int(rle);
            EXPECT_EQ(d.Alpha, c.WantAlpha) << c.Name << " " << int(rle);
        }
    }
}

TEST(TgaDecode, RefusedPaletteStoresOnlyTheSize) {
    for (auto [type, first, length] : {std::tuple{1, 0, 257}, {1, 1, 2}, {9, 0, 257}, {9, 1, 2}}) {
        Header h;
        h.MapType = 1;
        h.Type = uint8_t(type);
        h.FirstEntry = uint16_t(first);
        h.MapLength = uint16_t(length);
        h.EntryBits = 24;
        h.Width = 3;
        h.Height = 2;
        h.Depth = 8;
        const Bytes file = MakeTga(h, Bytes(3 * 257 + 6, 0x11));
        auto a = Decode(file, k565), b = Decode(file, k555);
        EXPECT_EQ(a.Error, "Tga file pallete error ! (ReadTga, line 565)");
        EXPECT_EQ(b.Error, "Tga file pallete error ! (ReadTga, line 871)");
        for (const auto& d : {a, b}) {
            EXPECT_EQ(d.Width, 3);
            EXPECT_EQ(d.Height, 2);
            EXPECT_TRUE(d.Untouched);
        }
    }
}

// Files that end early, lie about their sizes, carry unknown kinds or extra
// fields: every read stays inside the file, every write inside width x height.
TEST(TgaDecode, OddAndMalformedFiles) {
    Header grey;
    grey.Type = 3;
    grey.Depth = 8;
    grey.Width = 4;
    grey.Height = 2;
    grey.Descriptor = 0x20;
    Header greyRle = grey, rgb = grey, map = grey, wide = grey, unknown = grey, named = grey;
    greyRle.Type = 11;
    rgb.Type = 2;
    rgb.Depth = 24;
    map.Type = 1;
    map.MapType = 1;
    map.MapLength = 256;
    map.EntryBits = 32;
    map.Descriptor = 0x28;
    wide.Type = 2;
    wide.Depth = 255;  // 32 bytes a value
    unknown.Type = 7;
    named.IdLength = 3;  // an identification field, and a colour map on a grey file
    named.MapType = 1;
    named.MapLength = 2;
    named.EntryBits = 24;
    Header empty = rgb;
    empty.Height = 0;

    const uint16_t W = 0xFFFF, G = 0x8410, K = 0, R = 0xF800, Y = 0xFFE0;
    struct {
        const char* Name;
        Bytes File;
        std::vector<uint16_t> Want;
        uint8_t WantAlpha0;
    } cases[] = {
        {"truncated: the last value repeats",
         MakeTga(grey, {0x00, 0xFF}),
         {K, W, W, W, W, W, W, W},
         31},
        // the one byte there replaces the first byte (blue) of the previous value
        {"truncated inside a value",
         MakeTga(rgb, {0xFF, 0xFF, 0xFF, 0x00}),
         {W, Y, Y, Y, Y, Y, Y, Y},
         31},
        {"truncated run-length data", MakeTga(greyRle, {0x81, 0x80}), {G, G, G, G, G, G, G, G}, 31},
        {"header only", MakeTga(grey, {}), {K, K, K, K, K, K, K, K}, 31},
        // missing entries keep the last entry bytes read: every index shows entry 0
        {"colour map longer than the file",
         MakeTga(map, {0, 0, 0xFF, 0x80}),
         {R, R, R, R, R, R, R, R},
         16},
        {"values wider than four bytes",
         MakeTga(wide, Bytes(100, 0xFF)),
         {K, K, K, K, K, K, K, K},
         31},
        {"unknown image type", MakeTga(unknown, Bytes(8, 0xFF)), {K, K, K, K, K, K, K, K}, 31},
        {"shorter than a header",
         Bytes{0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0},
         {K, K, K, K, K, K, K, K},
         31},
        {"identification and colour map skipped",
         MakeTga(named,
                 {'i', 'd', '!', 9, 9, 9, 9, 9, 9, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}),
         {G, G, G, G, G, G, G, G},
         31},
        {"no rows", MakeTga(empty, Bytes(30, 0xFF)), {}, 0},
    };
    for (const auto& c : cases) {
        for (auto f : {k565, k555}) {
            auto d = Decode(c.File, f);
            EXPECT_TRUE(d.GuardsIntact) << c.Name;
            EXPECT_EQ(d.Error, "") << c.Name;
            if (f != k565) continue;
            EXPECT_EQ(d.Pixels, c.Want) << c.Name;
            if (!c.Want.empty()) {
                EXPECT_EQ(d.Alpha[0], c.WantAlpha0) << c.Name;
            }
        }
    }
}

}  // namespace
