#pragma once
// The inner loops of every blit, behind one table per instruction-set tier.
// The exports clip, address and prepare the per-call constants; a kernel only
// walks rows that are known to be inside both buffers.

#include <cstddef>
#include <cstdint>

namespace vexblit2 {

// A clipped block: Width x Height pixels, both > 0. Alpha is the alpha-map
// byte of the first source pixel (alpha-channel blits only).
struct Block {
    uint8_t* Dest;
    ptrdiff_t DestPitch;
    const uint8_t* Src;
    ptrdiff_t SrcPitch;
    const uint8_t* Alpha;
    ptrdiff_t AlphaPitch;
    int32_t Width;
    int32_t Height;
};

// Per-call constants of the blending blits, already limited and unpacked.
struct BlendParams {
    bool Format565;
    uint16_t Key;                           // colour-keyed blits
    uint16_t Strength;                      // limited Alpha, or the fill colour's alpha byte
    uint16_t FillPixel;                     // alpha fill: the colour packed in the current format
    uint16_t TintWeight;                    // alpha-channel tint: 32 - A5
    uint16_t TintRed, TintGreen, TintBlue;  // tint terms added before the /32
};

// One axis of the nearest-neighbour walk: position = Start, remainder = StartRem,
// then per step += Whole and += Frac, carrying once when the remainder reaches
// Twice (2 x destination size). 64-bit so that no size can overflow it.
struct ReduceAxis {
    int64_t Start, StartRem, Whole, Frac, Twice;
};

struct ReduceArgs {
    uint8_t* Dest;  // destination rectangle's top-left pixel
    ptrdiff_t DestPitch;
    const uint8_t* Src;  // source rectangle's top-left pixel
    ptrdiff_t SrcPitch;
    int32_t DestWidth, DestHeight;  // both > 0
    int32_t SrcWidth;               // > 0
    ReduceAxis X, Y;
    uint16_t Key;
};

struct KernelTable {
    const char* Name;
    void (*Copy)(const Block&);
    void (*ColorKey)(const Block&, uint16_t key);
    void (*Translucent)(const Block&, const BlendParams&);
    void (*Darken)(const Block&, const BlendParams&);
    void (*Brighten)(const Block&, const BlendParams&);
    void (*AlphaChannel)(const Block&, const BlendParams&);
    void (*AlphaChannelTint)(const Block&, const BlendParams&);
    void (*AlphaFill)(const Block&, const BlendParams&);  // reads Dest only
    void (*Reduce)(const ReduceArgs&);
    void (*ReduceColorKey)(const ReduceArgs&);
};

const KernelTable& ScalarKernels();
const KernelTable& Sse2Kernels();
const KernelTable& Avx2Kernels();

enum class Tier { Scalar, Sse2, Avx2 };

bool TierSupported(Tier tier);
const KernelTable& KernelsFor(Tier tier);

// The table the exports use: picked once at load from the processor, or
// forced with VEXBLIT2_TIER=scalar|sse2|avx2 (never above what the processor
// runs). Tests and benchmarks switch it with SetActiveTier.
const KernelTable& ActiveKernels();
Tier ActiveTier();
void SetActiveTier(Tier tier);

}  // namespace vexblit2
