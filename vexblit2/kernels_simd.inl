// Shared body of the packed tiers. kernels_sse2.cpp and kernels_avx2.cpp each
// define a struct V with the vector operations of their instruction set and
// include this file inside an anonymous namespace, so that every function
// here is compiled separately per tier and no copy built for one instruction
// set can be picked by the linker for another.
//
// V provides: T (the vector), W (pixels per vector), Load/Store (unaligned,
// W pixels), LoadAlpha (W bytes widened to 16-bit lanes), Set, And,
// AndNot(a, b) = ~a & b, Or, Add, Sub, AddSat/SubSat (unsigned), MulLo, MulHi
// (unsigned), Min
// (signed), Eq, Shl<N>/Shr<N>/Sar<N>, Select(mask, ifSet, ifClear),
// AllSet/NoneSet(mask), PickOdd(lo, hi) (lanes 1, 3, 5, ... of 2W pixels),
// HasGather and Gather(row, byteOffsets) (W pixels, each read as 4 bytes),
// HasShuffle and ShuffleGroup<Keyed>(dest, window, maskLow, maskHigh, key)
// (8 pixels picked from the 16 at window by byte shuffles).
//
// Each row is walked in groups of W pixels; the last partial group is staged
// through small local buffers, so no byte beyond the row's end is read and no
// pixel beyond it is written.

using T = typename V::T;
constexpr int W = V::W;

template <bool F565>
struct Fmt {
    static constexpr int RedShift = F565 ? 11 : 10;
    static constexpr int GreenBits = F565 ? 6 : 5;
    static constexpr uint16_t GreenMask = F565 ? 0x07E0 : 0x03E0;
    static constexpr uint16_t GreenMax = F565 ? 63 : 31;
};

// Channel extraction with the masks held in registers for the whole call.
template <bool F565>
struct Channels {
    T GreenMask = V::Set(Fmt<F565>::GreenMask);
    T BlueMask = V::Set(0x001F);
    T Red(T p) const { return V::template Shr<Fmt<F565>::RedShift>(p); }
    T Green(T p) const { return V::template Shr<5>(V::And(p, GreenMask)); }
    T Blue(T p) const { return V::And(p, BlueMask); }
    static T Pack(T r, T g, T b) {
        return V::Or(V::Or(V::template Shl<Fmt<F565>::RedShift>(r), V::template Shl<5>(g)), b);
    }
};

// Moves `bytes` bytes (Lo <= bytes <= 2 Lo) as two possibly overlapping
// blocks of Lo bytes, the second ending exactly at the row's end.
template <int Lo>
void CopyShort(uint8_t* d, const uint8_t* s, size_t bytes) {
    uint8_t head[Lo], tail[Lo];
    std::memcpy(head, s, Lo);
    std::memcpy(tail, s + bytes - Lo, Lo);
    std::memcpy(d, head, Lo);
    std::memcpy(d + bytes - Lo, tail, Lo);
}

// A row copy. A row that is not a whole number of vectors ends with a vector
// that overlaps the previous one, and rows shorter than a vector move as two
// overlapping smaller blocks: moving a pixel twice is harmless as long as
// source and destination do not overlap, for which no result is defined.
void CopyRow(uint8_t* d, const uint8_t* s, int32_t n) {
    const size_t bytes = size_t(2 * n);
    if (n < W) {
        if (bytes >= 16) return CopyShort<16>(d, s, bytes);  // AVX2 only: 8 to 15 pixels
        if (bytes >= 8) return CopyShort<8>(d, s, bytes);
        if (bytes >= 4) return CopyShort<4>(d, s, bytes);
        if (bytes >= 2) std::memcpy(d, s, 2);
        return;
    }
    int32_t x = 0;
    for (; x + 2 * W <= n; x += 2 * W) {
        const T a = V::Load(s + 2 * x), b = V::Load(s + 2 * x + 2 * W);
        V::Store(d + 2 * x, a);
        V::Store(d + 2 * x + 2 * W, b);
    }
    if (x + W <= n) {
        V::Store(d + 2 * x, V::Load(s + 2 * x));
        x += W;
    }
    if (x < n) V::Store(d + bytes - 2 * W, V::Load(s + bytes - 2 * W));
}

void CopyBlock(const Block& b) {
    uint8_t* d = b.Dest;
    const uint8_t* s = b.Src;
    for (int32_t y = 0; y < b.Height; ++y, d += b.DestPitch, s += b.SrcPitch)
        CopyRow(d, s, b.Width);
}

// Runs op.Group(src, dest, alpha) over every group of a block. Op says
// whether it reads a source and an alpha map, and whether applying it twice
// to a pixel gives what applying it once does (then a partial last group can
// overlap the previous one instead of going through local buffers).
template <class Op>
void RunRows(const Block& b, const Op& constants) {
    // A local copy whose address never escapes: the compiler can keep the
    // constant vectors in registers across the stores through the row pointers.
    const Op op = constants;
    uint8_t* d = b.Dest;
    const uint8_t* s = b.Src;
    const uint8_t* a = b.Alpha;
    const int32_t full = b.Width - b.Width % W;
    const int32_t rest = b.Width - full;
    for (int32_t y = 0; y < b.Height; ++y) {
        for (int32_t x = 0; x < full; x += W)
            op.Group(Op::UsesSrc ? s + 2 * x : nullptr, d + 2 * x, Op::UsesAlpha ? a + x : nullptr);
        if (Op::Idempotent && rest != 0 && full != 0) {
            // The last group overlaps the previous one; redoing a pixel gives the same result.
            const int32_t x = b.Width - W;
            op.Group(Op::UsesSrc ? s + 2 * x : nullptr, d + 2 * x, Op::UsesAlpha ? a + x : nullptr);
        } else if (rest != 0) {
            alignas(32) uint8_t sBuf[2 * W] = {}, dBuf[2 * W] = {}, aBuf[W] = {};
            std::memcpy(dBuf, d + 2 * full, size_t(2 * rest));
            if constexpr (Op::UsesSrc) std::memcpy(sBuf, s + 2 * full, size_t(2 * rest));
            if constexpr (Op::UsesAlpha) std::memcpy(aBuf, a + full, size_t(rest));
            op.Group(sBuf, dBuf, aBuf);
            std::memcpy(d + 2 * full, dBuf, size_t(2 * rest));
        }
        d += b.DestPitch;
        if constexpr (Op::UsesSrc) s += b.SrcPitch;
        if constexpr (Op::UsesAlpha) a += b.AlphaPitch;
    }
}

struct KeyOp {
    static constexpr bool UsesSrc = true, UsesAlpha = false, Idempotent = true;
    T Key;
    void Group(const uint8_t* s, uint8_t* d, const uint8_t*) const {
        const T src = V::Load(s);
        const T keyed = V::Eq(src, Key);
        if (V::AllSet(keyed)) return;  // all key: the destination is not even read
        V::Store(d, V::Select(keyed, V::Load(d), src));
    }
};

void ColorKeyBlock(const Block& b, uint16_t key) { RunRows(b, KeyOp{V::Set(key)}); }

// Keyed blends: Formula(channels, s, d) gives the blended pixel; source pixels
// equal to the key keep the destination.
template <bool F565, class Formula>
struct KeyedBlendOp {
    static constexpr bool UsesSrc = true, UsesAlpha = false, Idempotent = false;
    Channels<F565> C;
    T Key;
    Formula F;
    void Group(const uint8_t* s, uint8_t* d, const uint8_t*) const {
        const T src = V::Load(s);
        const T keyed = V::Eq(src, Key);
        if (V::AllSet(keyed)) return;
        const T dst = V::Load(d);
        V::Store(d, V::Select(keyed, dst, F(C, src, dst)));
    }
};

template <bool F565>
struct TranslucentFormula {
    T AHigh, Bias, QuarterA;  // a << 8 (a < 256), 64, floor(a / 4)
    // v = floor((s - d + 64) * a / 256) + d - floor(a / 4). The factor lies in
    // 1..127 for any channel value up to 63, so the product fits and the high
    // half of (factor * (a << 8)) is exactly floor(factor * a / 256).
    T Channel(T s, T d) const { return Scaled(V::Add(V::Sub(s, d), Bias), d); }
    // The same with s + 64 already formed (the alpha fill's constant colour).
    T Scaled(T factor, T d) const { return V::Add(V::MulHi(factor, AHigh), V::Sub(d, QuarterA)); }
    T operator()(const Channels<F565>& c, T s, T d) const {
        return Channels<F565>::Pack(Channel(c.Red(s), c.Red(d)), Channel(c.Green(s), c.Green(d)),
                                    Channel(c.Blue(s), c.Blue(d)));
    }
};

// For a < 256; a = 256 reproduces the source and is a colour-key copy.
template <bool F565>
TranslucentFormula<F565> MakeTranslucent(uint16_t a) {
    return {V::Set(uint16_t(a << 8)), V::Set(64), V::Set(uint16_t(a >> 2))};
}

template <bool F565>
struct DarkenFormula {
    T A, RedFactor, GreenFactor, RedMask, GreenMax;
    // v = max(0, floor(s * a / 32) + d - a), 565 green limited to 63. The
    // floor(s * a / 32) terms come from one high multiply of the channel left
    // in place: (s << k) * (a << (11 - k)) >> 16.
    T operator()(const Channels<F565>& c, T s, T d) const {
        const T sr = V::MulHi(V::And(s, RedMask), RedFactor);
        const T sg = V::MulHi(V::And(s, c.GreenMask), GreenFactor);
        const T sb = V::MulHi(V::template Shl<11>(s), A);
        return Channels<F565>::Pack(V::SubSat(V::Add(sr, c.Red(d)), A),
                                    V::Min(V::SubSat(V::Add(sg, c.Green(d)), A), GreenMax),
                                    V::SubSat(V::Add(sb, c.Blue(d)), A));
    }
};

template <bool F565>
struct BrightenFormula {
    T A, Bias5, Bias6;
    // x = s * a; z = sat(x + K) << (11 - w); u = sat(z + (D << (16 - p - w))); v = u >> (16 - w)
    template <int Bits, int DestShift>
    T Channel(T s, T dest) const {
        const T z =
            V::template Shl<11 - Bits>(V::AddSat(V::MulLo(s, A), Bits == 5 ? Bias5 : Bias6));
        return V::template Shr<16 - Bits>(V::AddSat(z, V::template Shl<DestShift>(dest)));
    }
    T operator()(const Channels<F565>& c, T s, T d) const {
        // Shifts that put each channel's top bit at bit 15 of the destination.
        constexpr int kRedUp = F565 ? 0 : 1, kGreenUp = F565 ? 5 : 6;
        constexpr int kGreenBits = Fmt<F565>::GreenBits;
        return Channels<F565>::Pack(Channel<5, kRedUp>(c.Red(s), d),
                                    Channel<kGreenBits, kGreenUp>(c.Green(s), d),
                                    Channel<5, 11>(c.Blue(s), d));
    }
};

template <bool F565, template <bool> class Formula>
void KeyedBlend(const Block& b, uint16_t key, const Formula<F565>& f) {
    RunRows(b, KeyedBlendOp<F565, Formula<F565>>{Channels<F565>{}, V::Set(key), f});
}

template <bool F565>
void TranslucentBlock(const Block& b, const BlendParams& p) {
    if (p.Strength >= 256) {
        ColorKeyBlock(b, p.Key);
        return;
    }
    KeyedBlend<F565>(b, p.Key, MakeTranslucent<F565>(p.Strength));
}

template <bool F565>
void DarkenBlock(const Block& b, const BlendParams& p) {
    const uint16_t a = p.Strength;  // at most 32
    // Red sits at bit 11 (565) or, with bit 15 as a sixth bit, at bit 10 (555).
    KeyedBlend<F565>(b, p.Key,
                     DarkenFormula<F565>{V::Set(a), V::Set(uint16_t(F565 ? a : a << 1)),
                                         V::Set(uint16_t(a << 6)), V::Set(F565 ? 0xF800 : 0xFC00),
                                         V::Set(Fmt<F565>::GreenMax)});
}

template <bool F565>
void BrightenBlock(const Block& b, const BlendParams& p) {
    KeyedBlend<F565>(b, p.Key,
                     BrightenFormula<F565>{V::Set(p.Strength), V::Set(0xFC00), V::Set(0xF800)});
}

// v = d + floor((s - d) * alpha / 32), the product a signed 16-bit lane.
inline T AlphaBlend(T s, T d, T alpha) {
    return V::Add(d, V::template Sar<5>(V::MulLo(V::Sub(s, d), alpha)));
}

template <bool F565, bool Tinted>
struct AlphaChannelOp {
    static constexpr bool UsesSrc = true, UsesAlpha = true, Idempotent = false;
    Channels<F565> C;
    T Weight, TintRed, TintGreen, TintBlue;
    // s' = floor((s * T + k) / 32)
    static T Tint(T s, T weight, T term) {
        return V::template Shr<5>(V::Add(V::MulLo(s, weight), term));
    }
    void Group(const uint8_t* s, uint8_t* d, const uint8_t* a) const {
        const T src = V::Load(s), dst = V::Load(d), alpha = V::LoadAlpha(a);
        T sr = C.Red(src), sg = C.Green(src), sb = C.Blue(src);
        if constexpr (Tinted) {
            sr = Tint(sr, Weight, TintRed);
            sg = Tint(sg, Weight, TintGreen);
            sb = Tint(sb, Weight, TintBlue);
        }
        V::Store(d, Channels<F565>::Pack(AlphaBlend(sr, C.Red(dst), alpha),
                                         AlphaBlend(sg, C.Green(dst), alpha),
                                         AlphaBlend(sb, C.Blue(dst), alpha)));
    }
};

template <bool F565, bool Tinted>
void AlphaChannelBlock(const Block& b, const BlendParams& p) {
    RunRows(b,
            AlphaChannelOp<F565, Tinted>{Channels<F565>{}, V::Set(p.TintWeight), V::Set(p.TintRed),
                                         V::Set(p.TintGreen), V::Set(p.TintBlue)});
}

template <bool F565>
struct FillOp {
    static constexpr bool UsesSrc = false, UsesAlpha = false, Idempotent = false;
    Channels<F565> C;
    TranslucentFormula<F565> F;
    T Red, Green, Blue;  // the fill pixel's channels plus the bias 64
    void Group(const uint8_t*, uint8_t* d, const uint8_t*) const {
        const T dst = V::Load(d);
        const T dr = C.Red(dst), dg = C.Green(dst), db = C.Blue(dst);
        V::Store(
            d, Channels<F565>::Pack(F.Scaled(V::Sub(Red, dr), dr), F.Scaled(V::Sub(Green, dg), dg),
                                    F.Scaled(V::Sub(Blue, db), db)));
    }
};

template <bool F565>
void FillBlock(const Block& b, const BlendParams& p) {
    const Channels<F565> c{};
    const T fill = V::Set(p.FillPixel);
    const T bias = V::Set(64);
    // The fill's alpha is a byte, so a < 256 always.
    RunRows(b, FillOp<F565>{c, MakeTranslucent<F565>(p.Strength), V::Add(c.Red(fill), bias),
                            V::Add(c.Green(fill), bias), V::Add(c.Blue(fill), bias)});
}

template <void (*F555)(const Block&, const BlendParams&),
          void (*F565)(const Block&, const BlendParams&)>
void ByFormat(const Block& b, const BlendParams& p) {
    (p.Format565 ? F565 : F555)(b, p);
}

// Reduce: the same integer walk as the reference, but the columns are walked
// once per call into a table instead of once per row; the exact halving and
// the 1:1 case move whole vectors.
constexpr int32_t kMaxTableColumns = 2048;

inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

// W sampled pixels to W destination pixels, keeping the destination where
// the sample is the key. As in the packed colour-key copy, a group that mixes
// key and other pixels is merged and stored whole, so its key positions are
// rewritten with the values they already hold; an all-key group is not
// touched. (Storing the non-key pixels one by one costs ten times as much.)
inline void StoreGroupKeyed(uint8_t* d, T picked, const T& key) {
    const T keyed = V::Eq(picked, key);
    if (V::AllSet(keyed)) return;
    V::Store(d, V::Select(keyed, V::Load(d), picked));
}

template <bool Keyed>
void ReduceBlock(const ReduceArgs& r) {
    if (r.DestWidth > kMaxTableColumns || r.SrcWidth > (1 << 30)) {
        (Keyed ? ScalarKernels().ReduceColorKey : ScalarKernels().Reduce)(r);
        return;
    }
    const bool same = r.SrcWidth == r.DestWidth;
    const bool half = int64_t(r.SrcWidth) == 2 * int64_t(r.DestWidth);
    // Other ratios: the byte offset of each sampled column, walked once.
    int32_t offsets[kMaxTableColumns];
    // Columns before this one sample below the rectangle's last column, so a
    // 4-byte gather at their offsets stays inside the source row.
    int32_t gatherEnd = 0;
    if (!same && !half) {
        int64_t pos = r.X.Start, rem = r.X.StartRem;
        for (int32_t i = 0; i < r.DestWidth; ++i) {
            offsets[i] = int32_t(2 * pos);
            if (pos < r.SrcWidth - 1) gatherEnd = i + 1;
            pos += r.X.Whole;
            rem += r.X.Frac;
            if (rem >= r.X.Twice) {
                rem -= r.X.Twice;
                ++pos;
            }
        }
    }
    // Where the tier can shuffle bytes, groups of eight columns whose samples
    // lie within 16 source pixels are picked from that window by two byte
    // shuffles; the windows and shuffle masks depend only on the column, so
    // they are made once per call. Windows end inside the source row.
    constexpr int32_t kShuffled = 8, kMaxGroups = kMaxTableColumns / kShuffled;
    int32_t windowCount = 0;
    int32_t windows[V::HasShuffle ? kMaxGroups : 1];
    alignas(16) uint8_t masks[V::HasShuffle ? kMaxGroups : 1][2][16];
    if (V::HasShuffle && !same && !half) {
        for (int32_t g = 0; (g + 1) * kShuffled <= r.DestWidth; ++g) {
            // The window starts at the group's first sample, or earlier so
            // that it ends at the row's end.
            if (r.SrcWidth < 16) break;
            const int32_t first = offsets[g * kShuffled] / 2;
            const int32_t start = first < r.SrcWidth - 16 ? first : r.SrcWidth - 16;
            if (offsets[g * kShuffled + kShuffled - 1] / 2 - start > 15) break;
            windows[g] = 2 * start;
            for (int k = 0; k < kShuffled; ++k) {
                const int rel = offsets[g * kShuffled + k] / 2 - start;  // 0..15
                const bool low = rel < 8;
                const auto byte = uint8_t(2 * (rel % 8));
                masks[g][0][2 * k] = low ? byte : 0x80;  // 0x80: the shuffle gives zero
                masks[g][0][2 * k + 1] = low ? uint8_t(byte + 1) : 0x80;
                masks[g][1][2 * k] = low ? 0x80 : byte;
                masks[g][1][2 * k + 1] = low ? 0x80 : uint8_t(byte + 1);
            }
            windowCount = g + 1;
        }
    }
    const T key = V::Set(r.Key);
    const int32_t n = r.DestWidth;
    uint8_t* destRow = r.Dest;
    int64_t rowPos = r.Y.Start, rowRem = r.Y.StartRem;
    for (int32_t j = 0; j < r.DestHeight; ++j) {
        const uint8_t* srcRow = r.Src + rowPos * r.SrcPitch;
        if (same && !Keyed) {
            CopyRow(destRow, srcRow, n);
        } else if (same || half) {
            // 1:1 columns, or column i from source column 2i + 1 (the odd pixels of 2n).
            const int step = same ? 1 : 2;
            int32_t i = 0;
            for (; i + W <= n; i += W) {
                const T picked =
                    same ? V::Load(srcRow + 2 * i)
                         : V::PickOdd(V::Load(srcRow + 4 * i), V::Load(srcRow + 4 * i + 2 * W));
                if constexpr (Keyed)
                    StoreGroupKeyed(destRow + 2 * i, picked, key);
                else
                    V::Store(destRow + 2 * i, picked);
            }
            for (; i < n; ++i) {
                const uint16_t s = Load16(srcRow + 2 * (step * i + step - 1));
                if (!Keyed || s != r.Key) Store16(destRow + 2 * i, s);
            }
        } else {
            int32_t i = 0;
            if constexpr (V::HasShuffle) {
                for (int32_t g = 0; g < windowCount; ++g)
                    V::template ShuffleGroup<Keyed>(destRow + 2 * kShuffled * g,
                                                    srcRow + windows[g], masks[g][0], masks[g][1],
                                                    r.Key);
                i = kShuffled * windowCount;
            }
            // Unkeyed, a plain load and store per pixel is as fast as a
            // gather; keyed, whole groups spare the per-pixel key branch.
            if constexpr (Keyed && V::HasGather) {
                for (; i + W <= gatherEnd; i += W)
                    StoreGroupKeyed(destRow + 2 * i, V::Gather(srcRow, offsets + i), key);
            } else if constexpr (Keyed) {
                for (; i + W <= n; i += W) {
                    alignas(32) uint8_t buf[2 * W];
                    for (int k = 0; k < W; ++k)
                        std::memcpy(buf + 2 * k, srcRow + offsets[i + k], 2);
                    StoreGroupKeyed(destRow + 2 * i, V::Load(buf), key);
                }
            }
            for (; i < n; ++i) {
                const uint16_t s = Load16(srcRow + offsets[i]);
                if (!Keyed || s != r.Key) Store16(destRow + 2 * i, s);
            }
        }
        destRow += r.DestPitch;
        rowPos += r.Y.Whole;
        rowRem += r.Y.Frac;
        if (rowRem >= r.Y.Twice) {
            rowRem -= r.Y.Twice;
            ++rowPos;
        }
    }
}

KernelTable MakeTable(const char* name) {
    return KernelTable{
        name,
        CopyBlock,
        ColorKeyBlock,
        ByFormat<TranslucentBlock<false>, TranslucentBlock<true>>,
        ByFormat<DarkenBlock<false>, DarkenBlock<true>>,
        ByFormat<BrightenBlock<false>, BrightenBlock<true>>,
        ByFormat<AlphaChannelBlock<false, false>, AlphaChannelBlock<true, false>>,
        ByFormat<AlphaChannelBlock<false, true>, AlphaChannelBlock<true, true>>,
        ByFormat<FillBlock<false>, FillBlock<true>>,
        ReduceBlock<false>,
        ReduceBlock<true>,
    };
}
