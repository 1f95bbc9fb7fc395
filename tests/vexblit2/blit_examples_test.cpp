// The numeric examples that pin the formulas, the frame's small exports, and
// a check of every blending formula against its arithmetic definition on
// in-range pixels. Each runs on every tier the processor supports.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/vexblit2/canvas.h"

namespace vexblit2::test {
namespace {

enum class Op { Translucent, Darken, Brighten, AlphaMap, AlphaMapTint, Fill };

// Blends one source pixel (map byte, strength) into one destination pixel.
uint16_t BlendOne(Op op, uint16_t src, uint16_t dest, uint32_t arg, uint8_t alpha = 0) {
    uint16_t d = dest;
    const vx_Rect r{0, 0, 1, 1};
    switch (op) {
        case Op::Translucent:
            vx_Clipper_Alpha_ColorKey_Blt(1, 1, &d, &src, 2, 2, 0, 0, &r, arg);
            break;
        case Op::Darken:
            vx_Clipper_BlackAlpha_ColorKey_Blt(1, 1, &d, &src, 2, 2, 0, 0, &r, arg);
            break;
        case Op::Brighten:
            vx_Clipper_LightAlpha_ColorKey_Blt(1, 1, &d, &src, 2, 2, 0, 0, &r, arg);
            break;
        case Op::AlphaMap:
            vx_Clipper_AlphaChannel_Blt(1, 1, &d, &src, &alpha, 2, 2, 0, 0, &r);
            break;
        case Op::AlphaMapTint:
            vx_Clipper_AlphaChannel_Blt2(1, 1, &d, &src, &alpha, 2, 2, 0, 0, &r, arg);
            break;
        case Op::Fill:
            vx_Clipper_Alpha_Fill(1, 1, &d, 2, 0, 0, 1, 1, arg, 0);
            break;
    }
    return d;
}

struct PixelExample {
    const char* What;
    bool F565;
    Op Blend;
    uint16_t Src, Dest;
    uint32_t Arg;
    uint8_t Alpha;
    uint16_t Expected;
};

constexpr PixelExample kPixelExamples[] = {
    {"translucent half, white over black", true, Op::Translucent, 0xFFFF, 0x0000, 128, 0, 0x7BEF},
    {"translucent 0 keeps", true, Op::Translucent, 0xFFFF, 0x1234, 0, 0, 0x1234},
    {"translucent 256 copies", false, Op::Translucent, 0x7ABC, 0x1234, 256, 0, 0x7ABC},
    {"translucent 1000 acts as 256", true, Op::Translucent, 0xBEEF, 0x1234, 1000, 0, 0xBEEF},
    {"translucent 0x10000 acts as 0", true, Op::Translucent, 0xBEEF, 0x1234, 0x10000, 0, 0x1234},
    {"darken 16, black over white", false, Op::Darken, 0x0000, 0x7FFF, 16, 0, 0x3DEF},
    {"darken 1000 acts as 32", false, Op::Darken, 0x0000, 0x7FFF, 1000, 0, 0x7FFF - 0x7FFF},
    {"darken 0 keeps", true, Op::Darken, 0x0000, 0xFFFF, 0x10000, 0, 0xFFFF},
    {"darken 565 green over 63 stays in its field", true, Op::Darken, 0xFFFF, 0x07E0, 32, 0,
     0x07E0},
    {"brighten 32 adds once", true, Op::Brighten, 0x0841, 0x0000, 32, 0, 0x0841},
    {"brighten 256 saturates", true, Op::Brighten, 0xFFFF, 0x0000, 256, 0, 0xFFFF},
    {"brighten blue saturates alone", true, Op::Brighten, 0x001F, 0x001F, 32, 0, 0x001F},
    {"brighten 1000 acts as 256", false, Op::Brighten, 0x0421, 0x0000, 1000, 0, 0x2108},
    {"map 16, white over black", true, Op::AlphaMap, 0xFFFF, 0x0000, 0, 16, 0x7BEF},
    {"map 16, black over white floors down", true, Op::AlphaMap, 0x0000, 0xFFFF, 0, 16, 0x7BEF},
    {"map 31, 31 over 0 gives 30", true, Op::AlphaMap, 0x001F, 0x0000, 0, 31, 0x001E},
    {"map 0 keeps", false, Op::AlphaMap, 0x7FFF, 0x1234, 0, 0, 0x1234},
    {"map 32 copies", false, Op::AlphaMap, 0x7ABC, 0x1234, 0, 32, 0x7ABC},
    {"tint red at full alpha", true, Op::AlphaMapTint, 0x0000, 0xFFFF, 0xFFFF0000, 32, 0xF000},
    {"tint alpha below 8 is no tint", true, Op::AlphaMapTint, 0xABCD, 0x1234, 0x07FFFFFF, 20,
     0},  // expected filled in from the untinted blit
    {"fill 255 puts the colour", true, Op::Fill, 0, 0x1234, 0xFFF88008, 0, 0xFC01},
    {"fill green 0x80 in 565", true, Op::Fill, 0, 0xFFFF, 0xFF008000, 0, 0x0400},
    {"fill green 0x80 in 555", false, Op::Fill, 0, 0x7FFF, 0xFF008000, 0, 0x0200},
    {"fill 0 keeps", false, Op::Fill, 0, 0x1234, 0x00FFFFFF, 0, 0x1234},
};

TEST(BlitFormulas, NumericExamplesOnEveryTier) {
    const StateGuard restore;
    State().ColorKey = 0x5A5A;  // a key none of the examples uses
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        for (const auto& e : kPixelExamples) {
            SCOPED_TRACE(TierName(tier) + ": " + e.What);
            UseFormat(e.F565);
            uint16_t expected = e.Expected;
            if (e.Blend == Op::AlphaMapTint && e.Arg >> 24 < 8)
                expected = BlendOne(Op::AlphaMap, e.Src, e.Dest, 0, e.Alpha);
            EXPECT_EQ(expected, BlendOne(e.Blend, e.Src, e.Dest, e.Arg, e.Alpha));
        }
    }
}

TEST(BlitFormulas, KeyPixelsKeepTheDestinationWhateverTheStrength) {
    const StateGuard restore;
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        for (bool f565 : {false, true}) {
            UseFormat(f565);
            for (uint16_t key : {0x0000, 0xF81F, 0xFFFF}) {
                State().ColorKey = key;
                for (Op op : {Op::Translucent, Op::Darken, Op::Brighten})
                    for (uint32_t a : {1u, 32u, 256u, 0xFFFFu})
                        EXPECT_EQ(0x4321, BlendOne(op, key, 0x4321, a));
            }
        }
    }
}

// floor(n / d) for d > 0, towards minus infinity.
int FloorDiv(int n, int d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }

struct Channel {
    int Shift, Bits;
};

// Every blend checked against its definition, channel by channel, on random
// in-range pixels (555 pixels without bit 15, map bytes 0 to 32).
TEST(BlitFormulas, BlendsFollowTheirArithmeticDefinitions) {
    const StateGuard restore;
    State().ColorKey = 0xFFFF;
    std::mt19937 rng(7);
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        for (bool f565 : {false, true}) {
            UseFormat(f565);
            const Channel channels[3] = {{f565 ? 11 : 10, 5}, {5, f565 ? 6 : 5}, {0, 5}};
            for (int i = 0; i < 20000; ++i) {
                const uint16_t s = uint16_t(rng() & (f565 ? 0xFFFE : 0x7FFF));
                const uint16_t d = uint16_t(rng() & (f565 ? 0xFFFF : 0x7FFF));
                const auto op = Op(i % 6);
                const uint32_t limit = op == Op::Darken                               ? 32
                                       : op == Op::AlphaMap || op == Op::AlphaMapTint ? 32
                                                                                      : 256;
                const uint32_t a = rng() % (limit + 1);
                const uint32_t colour = uint32_t(rng());
                const uint16_t got = BlendOne(
                    op, s, d, op == Op::AlphaMapTint || op == Op::Fill ? colour : a, uint8_t(a));
                int a5 = int(colour >> 27), fa = int(colour >> 24);
                const int rgb8[3] = {int(colour >> 16 & 0xFF), int(colour >> 8 & 0xFF),
                                     int(colour & 0xFF)};
                uint16_t expected = 0;
                for (int c = 0; c < 3; ++c) {
                    const int max = (1 << channels[c].Bits) - 1;
                    const int sc = s >> channels[c].Shift & max, dc = d >> channels[c].Shift & max;
                    const int aa = int(a);
                    int v = 0;
                    switch (op) {
                        case Op::Translucent:
                            v = (sc - dc + 64) * aa / 256 + dc - aa / 4;
                            break;
                        case Op::Darken:
                            v = std::min(max, std::max(0, sc * aa / 32 + dc - aa));
                            break;
                        case Op::Brighten: {
                            // f: the destination's bits below the channel as a fraction of one
                            // step.
                            const int below = channels[c].Shift;
                            const int fraction = d & ((1 << below) - 1);
                            v = std::min(
                                max, dc + (sc * aa * (1 << below) + 32 * fraction) / (32 << below));
                            break;
                        }
                        case Op::AlphaMap:
                            v = dc + FloorDiv((sc - dc) * aa, 32);
                            break;
                        case Op::AlphaMapTint: {
                            const int k = rgb8[c] * a5 / (c == 1 && f565 ? 4 : 8);
                            const int tinted = (sc * (32 - a5) + k) / 32;
                            EXPECT_LE(tinted, max);
                            v = dc + FloorDiv((tinted - dc) * aa, 32);
                            break;
                        }
                        case Op::Fill: {
                            const int p = rgb8[c] >> (8 - channels[c].Bits);
                            v = (p - dc + 64) * fa / 256 + dc - fa / 4;
                            break;
                        }
                    }
                    ASSERT_GE(v, 0);
                    ASSERT_LE(v, max);
                    expected = uint16_t(expected | v << channels[c].Shift);
                }
                ASSERT_EQ(expected, got)
                    << TierName(tier) << (f565 ? " 565" : " 555") << " op " << int(op) << " s " << s
                    << " d " << d << " a " << a << " colour " << colour;
            }
        }
    }
}

TEST(BlitFrame, SmallExportsKeepOnlyTheLowBits) {
    const StateGuard restore;
    EXPECT_EQ(0xFF002A80u, vx_ARGB(511, 256, 42, 128));
    EXPECT_EQ(0x80402010u, vx_ARGB(0x80, 0x40, 0x20, 0x10));
    struct {
        uint32_t Mode;
        bool F565;
    } const modes[] = {{1, true}, {0x10001, true}, {16, false}, {0, false}, {0x10000, false}};
    for (const auto& m : modes) {
        vx_CheckMMX_Bit16(m.Mode);
        EXPECT_EQ(m.F565, State().Format565) << m.Mode;
    }
    vx_CheckMMX_Bit16(1);
    vx_Init(0xABCD1234);
    EXPECT_EQ(0x1234, State().ColorKey);
    EXPECT_NE(nullptr, State().CurrentLoader);
    vx_Free();
    EXPECT_EQ(nullptr, State().CurrentLoader);
    EXPECT_EQ(0x1234, State().ColorKey);  // the key and the format outlive the loader
    EXPECT_TRUE(State().Format565);
    vx_Free();  // a second release is harmless
}

// Source pixel values carry their own column and row, so a destination pixel
// names the source pixel it came from.
uint16_t Tag(int x, int y) { return uint16_t(0x100 * y + x + 1); }

TEST(BlitClipping, DrawsExactlyTheVisibleColumns) {
    const StateGuard restore;
    std::vector<uint16_t> src(20 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 20; ++x) src[size_t(20 * y + x)] = Tag(x, y);
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        // A 10-wide rectangle drawn at DestX = -3 into a 7-wide buffer:
        // source columns left + 3 to right - 1 land in columns 0 to 6.
        std::vector<uint16_t> dest(8, 0);
        const vx_Rect r{5, 2, 15, 3};
        vx_Clipper_Blt(7, 1, dest.data(), src.data(), 16, 40, -3, 0, &r);
        for (int x = 0; x < 7; ++x) EXPECT_EQ(Tag(8 + x, 2), dest[size_t(x)]) << TierName(tier);
        EXPECT_EQ(0, dest[7]);
        // The fill clips in its own coordinates: X = -2, Width = 5 fills columns 0 to 2.
        UseFormat(true);
        std::vector<uint16_t> row(6, 0x1234);
        vx_Clipper_Alpha_Fill(6, 1, row.data(), 12, -2, 0, 5, 1, 0xFFFFFFFF, 0);
        EXPECT_EQ((std::vector<uint16_t>{0xFFFF, 0xFFFF, 0xFFFF, 0x1234, 0x1234, 0x1234}), row);
    }
}

// The alpha map follows the source in source coordinates with a row pitch of
// SrcPitch / 2 bytes; a map of 0s and 32s shows which byte each pixel used.
TEST(BlitClipping, AlphaMapIsAddressedByHalfTheSourcePitch) {
    const StateGuard restore;
    constexpr int kStride = 10;  // source pixels per row: 8 used, 2 of padding
    std::vector<uint16_t> src(kStride * 4);
    std::vector<uint8_t> map(kStride * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < kStride; ++x) {
            src[size_t(kStride * y + x)] = Tag(x, y);
            map[size_t(kStride * y + x)] = (x * 3 + y) % 4 == 0 ? 32 : 0;
        }
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        for (bool tinted : {false, true}) {
            std::vector<uint16_t> dest(6 * 3, 0);
            const vx_Rect r{2, 1, 8, 4};  // drawn at (-1, 0): source columns 3..7 visible
            if (tinted)
                vx_Clipper_AlphaChannel_Blt2(5, 3, dest.data(), src.data(), map.data(), 12,
                                             2 * kStride, -1, 0, &r, 0x07FFFFFF);
            else
                vx_Clipper_AlphaChannel_Blt(5, 3, dest.data(), src.data(), map.data(), 12,
                                            2 * kStride, -1, 0, &r);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 6; ++x) {
                    const int sx = x + 3, sy = y + 1;
                    const uint16_t expected =
                        x < 5 && map[size_t(kStride * sy + sx)] == 32 ? Tag(sx, sy) : 0;
                    EXPECT_EQ(expected, dest[size_t(6 * y + x)])
                        << TierName(tier) << " at " << x << "," << y;
                }
        }
    }
}

struct ReduceExample {
    int SrcSize, DestSize;
    std::vector<int> Sampled;
};

TEST(BlitReduce, SamplesThePixelUnderEachCentre) {
    const StateGuard restore;
    const ReduceExample examples[] = {
        {4, 2, {1, 3}},          {3, 2, {0, 2}}, {10, 3, {1, 5, 8}}, {2, 4, {0, 0, 1, 1}},
        {5, 5, {0, 1, 2, 3, 4}}, {7, 1, {3}},    {1, 3, {0, 0, 0}}};
    std::vector<uint16_t> src(16 * 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) src[size_t(16 * y + x)] = Tag(x, y);
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        for (const auto& e : examples) {
            SCOPED_TRACE(TierName(tier) + " " + std::to_string(e.SrcSize) + " into " +
                         std::to_string(e.DestSize));
            // Columns and rows follow the same rule; the rectangles start at 2 and 1.
            std::vector<uint16_t> dest(8 * 8, 0);
            const vx_Rect s{2, 1, 2 + e.SrcSize, 1 + e.SrcSize},
                d{1, 1, 1 + e.DestSize, 1 + e.DestSize};
            vx_Reduce_Blt(dest.data(), src.data(), 16, 32, &d, &s);
            for (int j = 0; j < e.DestSize; ++j)
                for (int i = 0; i < e.DestSize; ++i)
                    EXPECT_EQ(Tag(2 + e.Sampled[size_t(i)], 1 + e.Sampled[size_t(j)]),
                              dest[size_t(8 * (1 + j) + 1 + i)]);
            EXPECT_EQ(0, dest[0]);
        }
    }
}

TEST(BlitReduce, KeyAndEmptyRectangles) {
    const StateGuard restore;
    std::vector<uint16_t> src = {7, 9, 7, 9, 7, 9, 7, 9};
    for (Tier tier : SupportedTiers()) {
        SetActiveTier(tier);
        State().ColorKey = 9;
        std::vector<uint16_t> dest(4, 1);
        const vx_Rect s{0, 0, 8, 1}, d{0, 0, 4, 1};
        vx_Reduce_ColorKey_Blt(dest.data(), src.data(), 8, 16, &d,
                               &s);  // samples columns 1, 3, 5, 7: all key
        EXPECT_EQ(std::vector<uint16_t>(4, 1), dest) << TierName(tier);
        vx_Reduce_Blt(dest.data(), src.data(), 8, 16, &d, &s);
        EXPECT_EQ(std::vector<uint16_t>(4, 9), dest);
        // Negative or zero destination sizes, and an empty source, draw nothing.
        for (const vx_Rect& empty :
             {vx_Rect{4, 0, 0, 1}, vx_Rect{0, 1, 4, 0}, vx_Rect{0, 0, 0, 1}, vx_Rect{0, 0, 4, 0}}) {
            std::vector<uint16_t> untouched(4, 1);
            vx_Reduce_Blt(untouched.data(), src.data(), 8, 16, &empty, &s);
            vx_Reduce_ColorKey_Blt(untouched.data(), src.data(), 8, 16, &d, &empty);
            EXPECT_EQ(std::vector<uint16_t>(4, 1), untouched);
        }
    }
}

// The tier picked when the library was loaded, before any test switched it.
const Tier kTierAtLoad = ActiveTier();

// Forced from the environment, the load takes that tier; otherwise the best
// one this processor runs.
TEST(BlitDispatch, TheTierAtLoadIsTheForcedOneOrTheBest) {
    if (const char* forced = std::getenv("VEXBLIT2_TIER")) {
        EXPECT_EQ(std::string(forced), KernelsFor(kTierAtLoad).Name);
        return;
    }
    Tier best = Tier::Scalar;
    for (Tier tier : {Tier::Sse2, Tier::Avx2})
        if (TierSupported(tier)) best = tier;
    EXPECT_EQ(best, kTierAtLoad);
}

}  // namespace
}  // namespace vexblit2::test
