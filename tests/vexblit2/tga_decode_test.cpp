// Decoding of hand-built TGA files: conversions, layout, run-length packets,
// palettes and the malformed files that must stay inside their buffers.

#include <gtest/gtest.h>

#include "tga_test_util.h"

namespace {

using tgatest::Bytes;
using tgatest::Decode;
using tgatest::Header;
using tgatest::MakeTga;
using vexblit2::PixelFormat;
constexpr PixelFormat k565 = PixelFormat::Rgb565;
constexpr PixelFormat k555 = PixelFormat::Rgb555;

struct OnePixel {
    const char* Name;
    uint8_t Type, Depth, Descriptor;
    Bytes Value;
    uint16_t Want565, Want555;
    uint8_t WantAlpha;
};

// One pixel of each kind, stored plainly and as a one-pixel run packet.
TEST(TgaDecode, ConvertsEachPixelKindIntoBothFormats) {
    const OnePixel cases[] = {
        {"24-bit", 2, 24, 0, {0xFF, 0x80, 0x00}, 0x041F, 0x021F, 31},
        {"24-bit mixed", 2, 24, 0, {0x12, 0x34, 0x56}, 0x51A2, 0x28C2, 31},
        {"32-bit half alpha", 2, 32, 8, {0xFF, 0x80, 0x00, 0x80}, 0x041F, 0x021F, 16},
        {"32-bit alpha 7", 2, 32, 8, {0x00, 0x00, 0x00, 0x07}, 0x0000, 0x0000, 0},
        {"grey", 3, 8, 0, {0x80}, 0x8410, 0x4210, 31},
        {"16-bit white", 2, 16, 0, {0xFF, 0xFF}, 0xFFFF, 0x7FFF, 31},
        {"16-bit as 565", 2, 16, 0, {0x10, 0x84}, 0x8410, 0x4210, 31},
        {"15-bit white", 2, 15, 0, {0xFF, 0xFF}, 0xFFDF, 0x7FFF, 31},
        {"15-bit mixed", 2, 15, 0, {0x95, 0x52}, 0xA515, 0x5295, 31},
    };
    for (const auto& c : cases) {
        for (bool rle : {false, true}) {
            Header h;
            h.Type = uint8_t(c.Type + (rle ? 8 : 0));
            h.Depth = c.Depth;
            h.Descriptor = c.Descriptor;
            Bytes body = rle ? Bytes{0x80} : Bytes{};
            body.insert(body.end(), c.Value.begin(), c.Value.end());
            const Bytes file = MakeTga(h, body);
            SCOPED_TRACE(std::string(c.Name) + (rle ? " rle" : ""));
            auto a = Decode(file, k565);
            auto b = Decode(file, k555);
            EXPECT_EQ(a.Pixels[0], c.Want565);
            EXPECT_EQ(b.Pixels[0], c.Want555);
            EXPECT_EQ(a.Alpha[0], c.WantAlpha);
            EXPECT_EQ(b.Alpha[0], c.WantAlpha);
        }
    }
}

// A 2 x 2 image of 32-bit pixels with alphas 8, 16, 24, 31 in file order: the
// descriptor decides where each lands, pixel and alpha alike.
TEST(TgaDecode, PlacesRowsAndColumnsByTheDescriptor) {
    const Bytes px = {0, 0, 0x08, 0x40, 0, 0, 0x10, 0x80, 0, 0, 0x18, 0xC0, 0, 0, 0xF8, 0xFF};
    struct Case {
        uint8_t Descriptor;
        uint8_t WantAlpha[4];  // output order: top row first, left to right
    } cases[] = {
        {0x08, {24, 31, 8, 16}},  // bottom-up: the first file row is the last output row
        {0x28, {8, 16, 24, 31}},  // top-down
        {0x18, {31, 24, 16, 8}},  // bottom-up, right to left
        {0x38, {16, 8, 31, 24}},  // top-down, right to left
    };
    for (const auto& c : cases) {
        for (bool rle : {false, true}) {
            Header h;
            h.Type = rle ? 10 : 2;
            h.Width = h.Height = 2;
            h.Depth = 32;
            h.Descriptor = c.Descriptor;
            Bytes body = px;
            if (rle) {  // one raw packet per row
                body.insert(body.begin() + 8, 0x01);
                body.insert(body.begin(), 0x01);
            }
            auto d = Decode(MakeTga(h, body), k565);
            SCOPED_TRACE(testing::Message()
                         << "descriptor " << int(c.Descriptor) << " rle " << rle);
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(d.Alpha[i], c.WantAlpha[i]) << i;
                // red channel follows the alpha: red byte 0x08 * k, alpha (0x40 * k) >> 3
                EXPECT_EQ(d.Pixels[i] >> 11, c.WantAlpha[i] == 31 ? 31 : c.WantAlpha[i] / 8) << i;
            }
        }
    }
}

TEST(TgaDecode, RunLengthPackets) {
    struct Case {
        const char* Name;
        uint16_t Width, Height;
        Bytes Body;                  // grey, run-length coded, top-down
        std::vector<uint16_t> Want;  // 565
    } cases[] = {
        {"run of four", 4, 1, {0x83, 0x80}, {0x8410, 0x8410, 0x8410, 0x8410}},
        {"raw then run", 4, 1, {0x01, 0x00, 0xFF, 0x81, 0x80}, {0x0000, 0xFFFF, 0x8410, 0x8410}},
        // a packet running past its row continues on the next row
        {"run across rows",
         3,
         2,
         {0x84, 0xFF, 0x00, 0x00},
         {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0}},
        {"raw across rows", 2, 2, {0x03, 0x00, 0x80, 0xFF, 0x00}, {0x0000, 0x8410, 0xFFFF, 0x0000}},
        // and past the last row it is dropped
        {"run past the image", 2, 1, {0xFF, 0xFF}, {0xFFFF, 0xFFFF}},
        {"raw past the image", 1, 1, {0x7F, 0xFF, 1, 2, 3}, {0xFFFF}},
    };
    for (const auto& c : cases) {
        Header h;
        h.Type = 11;
        h.Depth = 8;
        h.Width = c.Width;
        h.Height = c.Height;
        h.Descriptor = 0x20;
        auto d = Decode(MakeTga(h, c.Body), k565);
        SCOPED_TRACE(c.Name);
        EXPECT_TRUE(d.GuardsIntact);
        EXPECT_EQ(d.Pixels, c.Want);
    }
}

Bytes Palette32() {  // entries: red half alpha, green opaque, blue alpha 0
    return {0x00, 0x00, 0xFF, 0x80, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00};
}

TEST(TgaDecode, ColourMappedImages) {
    struct Case {
        const char* Name;
        uint16_t MapLength;
        uint8_t EntryBits, Descriptor;
        Bytes Map, Indices;
        std::vector<uint16_t> Want;  // 565
        std::vector<uint8_t> WantAlpha;
    } cases[] = {
        {"32-bit entries, alpha bits 8",
         3,
         32,
         0x28,
         Palette32(),
         {0, 1, 2},
         {0xF800, 0x07E0, 0x001F},
         {16, 31, 0}},
        {"32-bit entries, alpha bits 0",
         3,
         32,
         0x20,
         Palette32(),
         {0, 1, 2},
         {0xF800, 0x07E0, 0x001F},
         {31, 31, 31}},
        {"24-bit entries",
         2,
         24,
         0x20,
         {0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00},
         {1, 0, 1},
         {0x001F, 0xFC00, 0x001F},
         {31, 31, 31}},
        {"8-bit entries are grey",
         2,
         8,
         0x20,
         {0x80, 0xFF},
         {1, 0, 0},
         {0xFFFF, 0x8410, 0x8410},
         {31, 31, 31}},
        {"15- and 16-bit entries",
         1,
         15,
         0x20,
         {0xFF, 0x7F},
         {0, 0, 0},
         {0xFFDF, 0xFFDF, 0xFFDF},
         {31, 31, 31}},
        // indices beyond the map read as opaque black, never outside the palette
        {"index beyond the map",
         2,
         32,
         0x28,
         {0x00, 0x00, 0xFF, 0x80, 0x00, 0xFF, 0x00, 0xFF},
         {1, 2, 255},
         {0x07E0, 0x0000, 0x0000},
         {31, 31, 31}},
        {"no entries", 0, 24, 0x20, {}, {0, 7, 200}, {0, 0, 0}, {31, 31, 31}},
    };
    for (const auto& c : cases) {
        for (bool rle : {false, true}) {
            Header h;
            h.MapType = 1;
            h.Type = rle ? 9 : 1;
            h.MapLength = c.MapLength;
            h.EntryBits = c.EntryBits;
            h.Depth = 8;
            h.Width = 3;
            h.Descriptor = c.Descriptor;
            Bytes body = c.Map;
            if (rle) body.push_back(0x02);
            body.insert(body.end(), c.Indices.begin(), c.Indices.end());
            auto d = Decode(MakeTga(h, body), k565);
            SCOPED_TRACE(std::string(c.Name) + (rle ? " rle" : ""));
            EXPECT_EQ(d.Pixels, c.Want);
            EXPECT_EQ(d.Alpha, c.WantAlpha);
        }
    }
}

TEST(TgaDecode, RefusedPaletteStoresOnlyTheSize) {
    struct Case {
        uint8_t Type;
        uint16_t FirstEntry, MapLength;
    } cases[] = {{1, 0, 257}, {1, 1, 2}, {9, 0, 257}, {9, 1, 2}};
    for (const auto& c : cases) {
        Header h;
        h.MapType = 1;
        h.Type = c.Type;
        h.FirstEntry = c.FirstEntry;
        h.MapLength = c.MapLength;
        h.EntryBits = 24;
        h.Width = 3;
        h.Height = 2;
        h.Depth = 8;
        const Bytes file = MakeTga(h, Bytes(3 * 257 + 6, 0x11));
        SCOPED_TRACE(testing::Message()
                     << int(c.Type) << " " << c.FirstEntry << " " << c.MapLength);
        auto a = Decode(file, k565);
        EXPECT_EQ(a.Error, "Tga file pallete error ! (ReadTga, line 565)");
        auto b = Decode(file, k555);
        EXPECT_EQ(b.Error, "Tga file pallete error ! (ReadTga, line 871)");
        for (const auto& d : {a, b}) {
            EXPECT_EQ(d.Width, 3);
            EXPECT_EQ(d.Height, 2);
            EXPECT_TRUE(d.Untouched);
        }
    }
}

// Files that end early, lie about their sizes or carry unknown types: every
// read stays inside the file, every write inside Width x Height.
TEST(TgaDecode, MalformedFilesStayInsideTheirBuffers) {
    Header grey;
    grey.Type = 3;
    grey.Depth = 8;
    grey.Width = 4;
    grey.Height = 2;
    grey.Descriptor = 0x20;
    Header greyRle = grey;
    greyRle.Type = 11;
    Header map = grey;
    map.Type = 1;
    map.MapType = 1;
    map.MapLength = 256;
    map.EntryBits = 32;
    map.Descriptor = 0x28;
    Header rgb = grey;
    rgb.Type = 2;
    rgb.Depth = 24;
    Header wide = grey;
    wide.Type = 2;
    wide.Depth = 255;  // 32 bytes per value
    Header odd = grey;
    odd.Type = 7;

    const uint16_t W = 0xFFFF, G = 0x8410, K = 0x0000;
    struct Case {
        const char* Name;
        Bytes File;
        std::vector<uint16_t> Want;  // empty: only the guards matter
    } cases[] = {
        {"truncated: last value repeats", MakeTga(grey, {0x00, 0xFF}), {K, W, W, W, W, W, W, W}},
        {"truncated inside a value keeps its old bytes",
         MakeTga(rgb, {0xFF, 0xFF, 0xFF, 0x00}),
         {W, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0}},
        {"truncated run-length: last packet repeats",
         MakeTga(greyRle, {0x81, 0x80}),
         {G, G, G, G, G, G, G, G}},
        {"header only", MakeTga(grey, {}), {K, K, K, K, K, K, K, K}},
        {"colour map longer than the file", MakeTga(map, {0x00, 0x00, 0xFF, 0x80}), {}},
        {"values wider than four bytes", MakeTga(wide, Bytes(100, 0xFF)), {K, K, K, K, K, K, K, K}},
        {"unknown image type", MakeTga(odd, Bytes(8, 0xFF)), {K, K, K, K, K, K, K, K}},
        {"shorter than a header",
         Bytes{0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0},
         {K, K, K, K, K, K, K, K}},
    };
    for (const auto& c : cases) {
        for (PixelFormat f : {k565, k555}) {
            auto d = Decode(c.File, f);
            SCOPED_TRACE(c.Name);
            EXPECT_TRUE(d.GuardsIntact);
            EXPECT_EQ(d.Error, "");
            if (f == k565 && !c.Want.empty()) {
                EXPECT_EQ(d.Pixels, c.Want);
            }
        }
    }
    // a map longer than the file leaves its missing entries as the last bytes read
    auto d = Decode(cases[4].File, k565);
    EXPECT_EQ(d.Pixels[0], 0xF800);  // every index is 0, its entry red
    EXPECT_EQ(d.Alpha[0], 16);
}

TEST(TgaDecode, SkipsIdentificationAndForeignColourMap) {
    Header h;
    h.IdLength = 3;
    h.MapType = 1;  // a true-colour file that carries a colour map
    h.MapLength = 2;
    h.EntryBits = 24;
    h.Type = 2;
    h.Depth = 24;
    auto d = Decode(MakeTga(h, {'a', 'b', 'c', 9, 9, 9, 9, 9, 9, 0xFF, 0x80, 0x00}), k565);
    EXPECT_EQ(d.Pixels[0], 0x041F);
}

TEST(TgaDecode, EmptyImageStoresSizeAndNothingElse) {
    for (auto [w, h] : {std::pair{5, 0}, std::pair{0, 7}}) {
        Header hd;
        hd.Width = uint16_t(w);
        hd.Height = uint16_t(h);
        auto d = Decode(MakeTga(hd, Bytes(30, 0xFF)), k565, 0);
        EXPECT_EQ(d.Width, w);
        EXPECT_EQ(d.Height, h);
        EXPECT_TRUE(d.GuardsIntact);
    }
}

}  // namespace
