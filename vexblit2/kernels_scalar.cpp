// The reference tier: one pixel at a time, written the way the formulas read.
// Every channel step is done in 16-bit unsigned arithmetic (wrap-around unless
// a step says "saturating"), exactly as the packed tiers do it in 16-bit
// lanes, so that all tiers agree bit for bit even on inputs outside the
// formats' ranges (555 pixels with bit 15 set, alpha-map bytes above 32).

#include <algorithm>
#include <cstring>

#include "vexblit2/kernels.h"

namespace vexblit2 {
namespace {

uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

// Channel layout of the two formats. Red is extracted without a mask, so a set
// bit 15 of a 555 pixel counts as a sixth red bit.
template <bool F565>
struct Layout {
    static constexpr int RedShift = F565 ? 11 : 10;
    static constexpr uint16_t GreenMask = F565 ? 0x07E0 : 0x03E0;
    static constexpr int GreenBits = F565 ? 6 : 5;
    static constexpr uint16_t GreenMax = F565 ? 63 : 31;

    static uint16_t Red(uint16_t p) { return uint16_t(p >> RedShift); }
    static uint16_t Green(uint16_t p) { return uint16_t((p & GreenMask) >> 5); }
    static uint16_t Blue(uint16_t p) { return uint16_t(p & 0x001F); }
    // Shift and OR within 16 bits, no masks: a channel that overflows its
    // field spills exactly as it does in a 16-bit lane.
    static uint16_t Pack(uint16_t r, uint16_t g, uint16_t b) {
        return uint16_t(uint16_t(r << RedShift) | uint16_t(g << 5) | b);
    }
};

uint16_t SatAdd16(uint16_t a, uint16_t b) { return uint16_t(std::min(a + b, 0xFFFF)); }
uint16_t SatSub16(uint16_t a, uint16_t b) { return a > b ? uint16_t(a - b) : uint16_t(0); }

// v = floor((s - d + 64) * a / 256) + d - floor(a / 4)
uint16_t Translucent(uint16_t s, uint16_t d, uint16_t a) {
    const uint16_t biased = uint16_t(s - d + 64);
    const uint16_t product = uint16_t(biased * a);
    return uint16_t((product >> 8) + d - (a >> 2));
}

// v = max(0, floor(s * a / 32) + d - a). In the 565 green, where s > 32 can
// raise the result above 63, it is also limited to 63 so that it cannot spill
// into red.
uint16_t Darken(uint16_t s, uint16_t d, uint16_t a) {
    const uint16_t scaled = uint16_t(uint16_t(s * a) >> 5);
    return SatSub16(uint16_t(scaled + d), a);
}

// v = min(m, d + floor(s * a / 32 + f)), in the 16-bit steps that carry the
// lower channels of the destination in as the fraction f. Bits is the
// channel's width w, DestShift = 16 - p - w puts its top bit at bit 15.
template <int Bits, int DestShift>
uint16_t Brighten(uint16_t s, uint16_t dest, uint16_t a) {
    constexpr uint16_t bias = Bits == 5 ? 0xFC00 : 0xF800;
    const uint16_t x = uint16_t(s * a);
    const uint16_t z = uint16_t(SatAdd16(x, bias) << (11 - Bits));  // min(x, 2^(w+5)-1) << (11-w)
    const uint16_t dc = uint16_t(dest << DestShift);
    return uint16_t(SatAdd16(z, dc) >> (16 - Bits));
}

// v = d + floor((s - d) * alpha / 32), the product taken as a signed 16-bit value.
uint16_t AlphaBlend(uint16_t s, uint16_t d, uint16_t alpha) {
    const auto product = int16_t(uint16_t((s - d) * alpha));
    return uint16_t(d + (product >> 5));
}

// s' = floor((s * T + k) / 32)
uint16_t Tint(uint16_t s, uint16_t weight, uint16_t term) {
    return uint16_t(uint16_t(uint16_t(s * weight) + term) >> 5);
}

template <class PixelFn>
void ForEachPixel(const Block& b, PixelFn fn) {
    uint8_t* dest = b.Dest;
    const uint8_t* src = b.Src;
    const uint8_t* alpha = b.Alpha;
    for (int32_t y = 0; y < b.Height; ++y) {
        for (int32_t x = 0; x < b.Width; ++x) {
            uint8_t* d = dest + 2 * ptrdiff_t(x);
            const uint16_t s = src ? Load16(src + 2 * ptrdiff_t(x)) : 0;
            const uint8_t a = alpha ? alpha[x] : 0;
            Store16(d, fn(s, Load16(d), a));
        }
        dest += b.DestPitch;
        if (src) src += b.SrcPitch;
        if (alpha) alpha += b.AlphaPitch;
    }
}

void Copy(const Block& b) {
    uint8_t* dest = b.Dest;
    const uint8_t* src = b.Src;
    for (int32_t y = 0; y < b.Height; ++y, dest += b.DestPitch, src += b.SrcPitch) {
        for (int32_t x = 0; x < b.Width; ++x)
            Store16(dest + 2 * ptrdiff_t(x), Load16(src + 2 * ptrdiff_t(x)));
    }
}

void ColorKey(const Block& b, uint16_t key) {
    ForEachPixel(b, [key](uint16_t s, uint16_t d, uint8_t) { return s == key ? d : s; });
}

template <bool F565>
void TranslucentBlt(const Block& b, const BlendParams& p) {
    using L = Layout<F565>;
    const uint16_t a = p.Strength;
    ForEachPixel(b, [&](uint16_t s, uint16_t d, uint8_t) {
        if (s == p.Key) return d;
        return L::Pack(Translucent(L::Red(s), L::Red(d), a),
                       Translucent(L::Green(s), L::Green(d), a),
                       Translucent(L::Blue(s), L::Blue(d), a));
    });
}

template <bool F565>
void DarkenBlt(const Block& b, const BlendParams& p) {
    using L = Layout<F565>;
    const uint16_t a = p.Strength;
    ForEachPixel(b, [&](uint16_t s, uint16_t d, uint8_t) {
        if (s == p.Key) return d;
        return L::Pack(Darken(L::Red(s), L::Red(d), a),
                       std::min(Darken(L::Green(s), L::Green(d), a), L::GreenMax),
                       Darken(L::Blue(s), L::Blue(d), a));
    });
}

template <bool F565>
void BrightenBlt(const Block& b, const BlendParams& p) {
    using L = Layout<F565>;
    const uint16_t a = p.Strength;
    ForEachPixel(b, [&](uint16_t s, uint16_t d, uint8_t) {
        if (s == p.Key) return d;
        // Shifts that put each channel's top bit at bit 15 of the destination.
        constexpr int kRedUp = F565 ? 0 : 1, kGreenUp = F565 ? 5 : 6;
        return L::Pack(Brighten<5, kRedUp>(L::Red(s), d, a),
                       Brighten<L::GreenBits, kGreenUp>(L::Green(s), d, a),
                       Brighten<5, 11>(L::Blue(s), d, a));
    });
}

template <bool F565>
void AlphaChannelBlt(const Block& b, const BlendParams&) {
    using L = Layout<F565>;
    ForEachPixel(b, [](uint16_t s, uint16_t d, uint8_t a) {
        return L::Pack(AlphaBlend(L::Red(s), L::Red(d), a), AlphaBlend(L::Green(s), L::Green(d), a),
                       AlphaBlend(L::Blue(s), L::Blue(d), a));
    });
}

template <bool F565>
void AlphaChannelTintBlt(const Block& b, const BlendParams& p) {
    using L = Layout<F565>;
    const uint16_t t = p.TintWeight;
    ForEachPixel(b, [&](uint16_t s, uint16_t d, uint8_t a) {
        return L::Pack(AlphaBlend(Tint(L::Red(s), t, p.TintRed), L::Red(d), a),
                       AlphaBlend(Tint(L::Green(s), t, p.TintGreen), L::Green(d), a),
                       AlphaBlend(Tint(L::Blue(s), t, p.TintBlue), L::Blue(d), a));
    });
}

template <bool F565>
void AlphaFillBlt(const Block& b, const BlendParams& p) {
    using L = Layout<F565>;
    const uint16_t fill = p.FillPixel, a = p.Strength;
    ForEachPixel(b, [&](uint16_t, uint16_t d, uint8_t) {
        return L::Pack(Translucent(L::Red(fill), L::Red(d), a),
                       Translucent(L::Green(fill), L::Green(d), a),
                       Translucent(L::Blue(fill), L::Blue(d), a));
    });
}

template <void (*F555)(const Block&, const BlendParams&),
          void (*F565)(const Block&, const BlendParams&)>
void ByFormat(const Block& b, const BlendParams& p) {
    (p.Format565 ? F565 : F555)(b, p);
}

// The integer walk of one axis: no division per pixel.
struct AxisWalk {
    int64_t Pos, Rem;
    const ReduceAxis& Axis;
    explicit AxisWalk(const ReduceAxis& a) : Pos(a.Start), Rem(a.StartRem), Axis(a) {}
    void Step() {
        Pos += Axis.Whole;
        Rem += Axis.Frac;
        if (Rem >= Axis.Twice) {
            Rem -= Axis.Twice;
            ++Pos;
        }
    }
};

template <bool Keyed>
void ReduceBlt(const ReduceArgs& r) {
    uint8_t* destRow = r.Dest;
    AxisWalk row(r.Y);
    for (int32_t j = 0; j < r.DestHeight; ++j, row.Step()) {
        const uint8_t* srcRow = r.Src + row.Pos * r.SrcPitch;
        AxisWalk col(r.X);
        for (int32_t i = 0; i < r.DestWidth; ++i, col.Step()) {
            const uint16_t s = Load16(srcRow + 2 * col.Pos);
            if (!Keyed || s != r.Key) Store16(destRow + 2 * ptrdiff_t(i), s);
        }
        destRow += r.DestPitch;
    }
}

}  // namespace

const KernelTable& ScalarKernels() {
    static const KernelTable table = {
        "scalar",
        Copy,
        ColorKey,
        ByFormat<TranslucentBlt<false>, TranslucentBlt<true>>,
        ByFormat<DarkenBlt<false>, DarkenBlt<true>>,
        ByFormat<BrightenBlt<false>, BrightenBlt<true>>,
        ByFormat<AlphaChannelBlt<false>, AlphaChannelBlt<true>>,
        ByFormat<AlphaChannelTintBlt<false>, AlphaChannelTintBlt<true>>,
        ByFormat<AlphaFillBlt<false>, AlphaFillBlt<true>>,
        ReduceBlt<false>,
        ReduceBlt<true>,
    };
    return table;
}

}  // namespace vexblit2
