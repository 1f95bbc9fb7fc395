// Every blit, every tier, both formats, on seeded random buffers and
// rectangles: the packed tiers must equal the scalar reference pixel for
// pixel, nothing outside the visible rectangle may change (guards included),
// and the copies must move exactly the source pixels the clipping selects.
// A failure names the seed; rerun one case with VEXBLIT2_SEED=<seed>.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/vexblit2/canvas.h"

namespace vexblit2::test {
namespace {

enum class Blit {
    Normal,
    Clipper,
    ColorKey,
    Translucent,
    Darken,
    Brighten,
    AlphaChannel,
    AlphaChannel2,
    Fill,
    Reduce,
    ReduceColorKey
};

constexpr int kSrcWidth = 90, kSrcHeight = 24;

struct Case {
    int DestWidth = 0, DestHeight = 0, DestX = 0, DestY = 0;
    vx_Rect SrcRect{}, DestRect{};
    int FillWidth = 0, FillHeight = 0;
    uint32_t Arg = 0;  // Alpha or Color
    uint16_t Key = 0;
    double KeyShare = 0;
    int DestOffset = 0, SrcOffset = 0;
};

int Uniform(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

uint32_t Strength(std::mt19937& rng, uint32_t limit) {
    switch (Uniform(rng, 0, 7)) {
        case 0:
            return 0;
        case 1:
            return limit;
        case 2:
            return limit + 1;
        case 3:
            return limit - 1;
        case 4:
            return 0x10000u | uint32_t(Uniform(rng, 0, int(limit)));  // high bits ignored
        case 5:
            return uint32_t(Uniform(rng, 0, 0xFFFF));
        case 6:
            return 0xFFFFFFFFu;
        default:
            return uint32_t(Uniform(rng, 1, int(limit)));
    }
}

uint32_t Colour(std::mt19937& rng) {
    const uint32_t rgb = uint32_t(rng()) & 0xFFFFFF;
    static constexpr uint32_t kAlphas[] = {0, 7, 8, 128, 248, 255};
    const uint32_t a =
        Uniform(rng, 0, 1) ? kAlphas[Uniform(rng, 0, 5)] : uint32_t(Uniform(rng, 0, 255));
    return a << 24 | rgb;
}

Case MakeCase(Blit blit, std::mt19937& rng) {
    Case c;
    c.DestOffset = Uniform(rng, 0, 3) == 0;
    c.SrcOffset = Uniform(rng, 0, 3) == 0;
    static constexpr uint16_t kKeys[] = {0x0000, 0xF81F, 0x7C1F, 0xFFFF};
    c.Key = Uniform(rng, 0, 1) ? kKeys[Uniform(rng, 0, 3)] : uint16_t(rng());
    static constexpr double kShares[] = {0, 0.25, 0.9, 1.0};
    c.KeyShare = kShares[Uniform(rng, 0, 3)];

    // Source rectangle: widths 0 to 70, sometimes inverted.
    const int w = Uniform(rng, 0, 70), h = Uniform(rng, 0, 20);
    const int left = Uniform(rng, 0, kSrcWidth - w), top = Uniform(rng, 0, kSrcHeight - h);
    c.SrcRect = {left, top, left + w, top + h};
    if (blit != Blit::Normal && Uniform(rng, 0, 15) == 0)
        std::swap(c.SrcRect.left, c.SrcRect.right);

    if (blit == Blit::Normal) {  // no clipping: the caller keeps it inside
        c.DestWidth = w + Uniform(rng, 0, 8);
        c.DestHeight = h + Uniform(rng, 0, 4);
        c.DestX = Uniform(rng, 0, c.DestWidth - w);
        c.DestY = Uniform(rng, 0, c.DestHeight - h);
    } else if (blit == Blit::Reduce || blit == Blit::ReduceColorKey) {
        c.DestWidth = 80;
        c.DestHeight = 22;
        int dw = Uniform(rng, -2, 75), dh = Uniform(rng, -2, 20);
        switch (Uniform(rng, 0, 3)) {
            case 0:
                dw = std::min(w, 80);
                break;  // 1:1 columns
            case 1:
                dw = w / 2;
                c.SrcRect.right = c.SrcRect.left + 2 * dw;
                break;  // exact halving
            default:
                break;
        }
        const int dl = Uniform(rng, 0, 80 - std::max(dw, 0)),
                  dt = Uniform(rng, 0, 22 - std::max(dh, 0));
        c.DestRect = {dl, dt, dl + dw, dt + dh};
    } else {
        c.DestWidth = Uniform(rng, -2, 80);
        c.DestHeight = Uniform(rng, -2, 22);
        c.DestX = Uniform(rng, -75, std::max(c.DestWidth, 0) + 5);
        c.DestY = Uniform(rng, -22, std::max(c.DestHeight, 0) + 3);
        c.FillWidth = Uniform(rng, -2, 85);
        c.FillHeight = Uniform(rng, -2, 25);
    }
    switch (blit) {
        case Blit::Translucent:
        case Blit::Brighten:
            c.Arg = Strength(rng, 256);
            break;
        case Blit::Darken:
            c.Arg = Strength(rng, 32);
            break;
        case Blit::AlphaChannel2:
        case Blit::Fill:
            c.Arg = Colour(rng);
            break;
        default:
            break;
    }
    return c;
}

void RunBlit(Blit blit, const Case& c, Canvas& dest, Canvas& src, const uint8_t* map) {
    const int32_t dw = c.DestWidth, dh = c.DestHeight, dp = dest.Pitch(), sp = src.Pitch();
    uint8_t* d = dest.Origin();
    const uint8_t* s = src.Origin();
    switch (blit) {
        case Blit::Normal:
            vx_Normal_Blt(d, s, dp, sp, c.DestX, c.DestY, &c.SrcRect);
            break;
        case Blit::Clipper:
            vx_Clipper_Blt(dw, dh, d, s, dp, sp, c.DestX, c.DestY, &c.SrcRect);
            break;
        case Blit::ColorKey:
            vx_Clipper_ColorKey_Blt(dw, dh, d, s, dp, sp, c.DestX, c.DestY, &c.SrcRect);
            break;
        case Blit::Translucent:
            vx_Clipper_Alpha_ColorKey_Blt(dw, dh, d, s, dp, sp, c.DestX, c.DestY, &c.SrcRect,
                                          c.Arg);
            break;
        case Blit::Darken:
            vx_Clipper_BlackAlpha_ColorKey_Blt(dw, dh, d, s, dp, sp, c.DestX, c.DestY, &c.SrcRect,
                                               c.Arg);
            break;
        case Blit::Brighten:
            vx_Clipper_LightAlpha_ColorKey_Blt(dw, dh, d, s, dp, sp, c.DestX, c.DestY, &c.SrcRect,
                                               c.Arg);
            break;
        case Blit::AlphaChannel:
            vx_Clipper_AlphaChannel_Blt(dw, dh, d, s, map, dp, sp, c.DestX, c.DestY, &c.SrcRect);
            break;
        case Blit::AlphaChannel2:
            vx_Clipper_AlphaChannel_Blt2(dw, dh, d, s, map, dp, sp, c.DestX, c.DestY, &c.SrcRect,
                                         c.Arg);
            break;
        case Blit::Fill:
            vx_Clipper_Alpha_Fill(dw, dh, d, dp, c.DestX, c.DestY, c.FillWidth, c.FillHeight, c.Arg,
                                  0xDEADBEEF);
            break;
        case Blit::Reduce:
            vx_Reduce_Blt(d, s, dp, sp, &c.DestRect, &c.SrcRect);
            break;
        case Blit::ReduceColorKey:
            vx_Reduce_ColorKey_Blt(d, s, dp, sp, &c.DestRect, &c.SrcRect);
            break;
    }
}

struct Area {
    int X0, Y0, X1, Y1;
    bool Contains(int x, int y) const { return x >= X0 && x < X1 && y >= Y0 && y < Y1; }
};

// Where the blit may write, worked out in destination coordinates (the
// library clips in source coordinates).
Area WritableArea(Blit blit, const Case& c) {
    if (blit == Blit::Reduce || blit == Blit::ReduceColorKey)
        return {c.DestRect.left, c.DestRect.top, c.DestRect.right, c.DestRect.bottom};
    const bool fill = blit == Blit::Fill;
    const int w = fill ? c.FillWidth : c.SrcRect.right - c.SrcRect.left;
    const int h = fill ? c.FillHeight : c.SrcRect.bottom - c.SrcRect.top;
    if (w <= 0 || h <= 0) return {0, 0, 0, 0};
    if (blit == Blit::Normal) return {c.DestX, c.DestY, c.DestX + w, c.DestY + h};
    return {std::max(0, c.DestX), std::max(0, c.DestY), std::min(c.DestWidth, c.DestX + w),
            std::min(c.DestHeight, c.DestY + h)};
}

// Checks the reference result against what can be said without the formulas.
void CheckFrame(Blit blit, const Case& c, const Canvas& before, const Canvas& after,
                const Canvas& src) {
    const Area area = WritableArea(blit, c);
    for (int y = -kGuard; y < before.Height + kGuard; ++y) {
        for (int x = -kGuard; x < before.Width + kGuard; ++x) {
            const uint16_t old = before.At(x, y), now = after.At(x, y);
            if (!area.Contains(x, y)) {
                ASSERT_EQ(old, now)
                    << "pixel outside the visible rectangle changed at " << x << "," << y;
                continue;
            }
            if (blit != Blit::Normal && blit != Blit::Clipper && blit != Blit::ColorKey) continue;
            const uint16_t s = src.At(c.SrcRect.left + x - c.DestX, c.SrcRect.top + y - c.DestY);
            const uint16_t expected = blit == Blit::ColorKey && s == c.Key ? old : s;
            ASSERT_EQ(expected, now) << "copy wrong at " << x << "," << y;
        }
    }
}

std::string Describe(const Case& c) {
    return "dest " + std::to_string(c.DestWidth) + "x" + std::to_string(c.DestHeight) + " at " +
           std::to_string(c.DestX) + "," + std::to_string(c.DestY) + " src (" +
           std::to_string(c.SrcRect.left) + "," + std::to_string(c.SrcRect.top) + ")-(" +
           std::to_string(c.SrcRect.right) + "," + std::to_string(c.SrcRect.bottom) + ") arg " +
           std::to_string(c.Arg);
}

class BlitDifferential : public ::testing::TestWithParam<Blit> {};

TEST_P(BlitDifferential, EveryTierEqualsTheReferenceAndStaysInside) {
    const Blit blit = GetParam();
    const StateGuard restore;
    const auto tiers = SupportedTiers();
    uint32_t first = 1000u * uint32_t(blit), count = 400;
    if (const char* only = std::getenv("VEXBLIT2_SEED"))
        first = uint32_t(std::strtoul(only, nullptr, 10)), count = 1;
    for (uint32_t seed = first; seed < first + count; ++seed) {
        std::mt19937 rng(seed);
        const bool f565 = seed % 2 == 0;
        const Case c = MakeCase(blit, rng);
        SCOPED_TRACE("seed " + std::to_string(seed) + (f565 ? " 565 " : " 555 ") + Describe(c));
        Canvas src(kSrcWidth, kSrcHeight, c.SrcOffset),
            dest(c.DestWidth, c.DestHeight, c.DestOffset);
        src.Fill(rng);
        dest.Fill(rng);
        std::bernoulli_distribution isKey(c.KeyShare);
        for (int y = 0; y < kSrcHeight; ++y)
            for (int x = 0; x < kSrcWidth; ++x)
                if (isKey(rng)) src.Set(x, y, c.Key);
        // The alpha map follows the source with a pitch of SrcPitch / 2; most
        // bytes in 0..32, some above.
        std::vector<uint8_t> map(size_t(src.Stride() * kSrcHeight));
        for (auto& a : map)
            a = uint8_t(Uniform(rng, 0, 7) ? Uniform(rng, 0, 32) : Uniform(rng, 0, 255));

        UseFormat(f565);
        State().ColorKey = c.Key;
        Canvas reference = dest;
        SetActiveTier(Tier::Scalar);
        RunBlit(blit, c, reference, src, map.data());
        CheckFrame(blit, c, dest, reference, src);
        if (testing::Test::HasFatalFailure()) return;
        for (Tier tier : tiers) {
            if (tier == Tier::Scalar) continue;
            Canvas out = dest;
            SetActiveTier(tier);
            RunBlit(blit, c, out, src, map.data());
            for (int y = -kGuard; y < dest.Height + kGuard; ++y)
                for (int x = -kGuard; x < dest.Width + kGuard; ++x)
                    ASSERT_EQ(reference.At(x, y), out.At(x, y))
                        << TierName(tier) << " differs from the reference at " << x << "," << y;
        }
    }
}

std::string BlitName(const ::testing::TestParamInfo<Blit>& info) {
    static const char* const kNames[] = {"Normal",    "Clipper",  "ColorKey",      "Translucent",
                                         "Darken",    "Brighten", "AlphaMap",      "AlphaMapTint",
                                         "AlphaFill", "Reduce",   "ReduceColorKey"};
    return kNames[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(All, BlitDifferential,
                         ::testing::Values(Blit::Normal, Blit::Clipper, Blit::ColorKey,
                                           Blit::Translucent, Blit::Darken, Blit::Brighten,
                                           Blit::AlphaChannel, Blit::AlphaChannel2, Blit::Fill,
                                           Blit::Reduce, Blit::ReduceColorKey),
                         BlitName);

}  // namespace
}  // namespace vexblit2::test
