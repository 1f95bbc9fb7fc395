// The exported entry points: argument narrowing, clipping, addressing and the
// per-call constants; the rows themselves go to the active kernel table.

#include <cstddef>
#include <cstdint>

#include "vexblit2/clip.h"
#include "vexblit2/entry.h"
#include "vexblit2/kernels.h"
#include "vexblit2/state.h"
#include "vexblit2/vexblit2.h"

namespace vexblit2 {
namespace {

template <class T>
T* PixelAt(T* base, int32_t pitch, int64_t x, int64_t y) {
    return static_cast<T*>(base) + ptrdiff_t(y) * pitch + 2 * ptrdiff_t(x);
}

// A width or height a buffer can hold; anything else draws nothing.
bool DrawableSize(int64_t n) { return n > 0 && n <= INT32_MAX; }

// The alpha map's rows lie SrcPitch / 2 bytes apart, the pitch shifted right
// as an unsigned number.
ptrdiff_t AlphaPitchOf(int32_t srcPitch) { return ptrdiff_t(uint32_t(srcPitch) >> 1); }

std::optional<Block> ClippedBlock(int32_t destWidth, int32_t destHeight, void* dest,
                                  const void* src, int32_t destPitch, int32_t srcPitch,
                                  int32_t destX, int32_t destY, const vx_Rect* srcRect) {
    const auto v = ClipToDest(*srcRect, destWidth, destHeight, destX, destY);
    if (!v) return std::nullopt;
    return Block{PixelAt(static_cast<uint8_t*>(dest), destPitch, v->DestX, v->DestY),
                 destPitch,
                 PixelAt(static_cast<const uint8_t*>(src), srcPitch, v->SrcX, v->SrcY),
                 srcPitch,
                 nullptr,
                 0,
                 int32_t(v->Width),
                 int32_t(v->Height)};
}

BlendParams KeyedParams(uint32_t alpha, uint16_t limit) {
    BlendParams p{};
    p.Format565 = State().Format565;
    p.Key = State().ColorKey;
    const auto a = uint16_t(alpha);
    p.Strength = a > limit ? limit : a;
    return p;
}

using BlendKernel = void (*)(const Block&, const BlendParams&);

void KeyedBlend(BlendKernel kernel, uint16_t limit, int32_t destWidth, int32_t destHeight,
                void* dest, const void* src, int32_t destPitch, int32_t srcPitch, int32_t destX,
                int32_t destY, const vx_Rect* srcRect, uint32_t alpha) {
    const auto b =
        ClippedBlock(destWidth, destHeight, dest, src, destPitch, srcPitch, destX, destY, srcRect);
    const BlendParams p = KeyedParams(alpha, limit);
    if (b && p.Strength != 0) kernel(*b, p);
}

void AlphaChannel(BlendKernel kernel, const BlendParams& p, int32_t destWidth, int32_t destHeight,
                  void* dest, const void* src, const uint8_t* alphaMap, int32_t destPitch,
                  int32_t srcPitch, int32_t destX, int32_t destY, const vx_Rect* srcRect) {
    const auto v = ClipToDest(*srcRect, destWidth, destHeight, destX, destY);
    if (!v) return;
    const ptrdiff_t alphaPitch = AlphaPitchOf(srcPitch);
    const Block b{PixelAt(static_cast<uint8_t*>(dest), destPitch, v->DestX, v->DestY),
                  destPitch,
                  PixelAt(static_cast<const uint8_t*>(src), srcPitch, v->SrcX, v->SrcY),
                  srcPitch,
                  alphaMap + ptrdiff_t(v->SrcY) * alphaPitch + ptrdiff_t(v->SrcX),
                  alphaPitch,
                  int32_t(v->Width),
                  int32_t(v->Height)};
    kernel(b, p);
}

// One axis of the nearest-neighbour walk, from the source and destination sizes
// (both > 0): sample k lies at floor((2k + 1) * s / (2d)).
ReduceAxis WalkOf(int64_t s, int64_t d) {
    return ReduceAxis{s / (2 * d), s % (2 * d), s / d, (2 * s) % (2 * d), 2 * d};
}

void Reduce(bool keyed, void* dest, const void* src, int32_t destPitch, int32_t srcPitch,
            const vx_Rect* destRect, const vx_Rect* srcRect) {
    const int64_t sw = int64_t(srcRect->right) - srcRect->left;
    const int64_t sh = int64_t(srcRect->bottom) - srcRect->top;
    const int64_t dw = int64_t(destRect->right) - destRect->left;
    const int64_t dh = int64_t(destRect->bottom) - destRect->top;
    // An empty rectangle on either side draws nothing (the walk would divide by
    // zero for an empty destination, and an empty source has nothing to sample).
    if (!DrawableSize(sw) || !DrawableSize(sh) || !DrawableSize(dw) || !DrawableSize(dh)) return;
    const ReduceArgs r{
        PixelAt(static_cast<uint8_t*>(dest), destPitch, destRect->left, destRect->top),
        destPitch,
        PixelAt(static_cast<const uint8_t*>(src), srcPitch, srcRect->left, srcRect->top),
        srcPitch,
        int32_t(dw),
        int32_t(dh),
        int32_t(sw),
        WalkOf(sw, dw),
        WalkOf(sh, dh),
        State().ColorKey};
    const KernelTable& k = ActiveKernels();
    (keyed ? k.ReduceColorKey : k.Reduce)(r);
}

}  // namespace
}  // namespace vexblit2

using namespace vexblit2;

extern "C" {

VX_ENTRY void VX_CALL vx_Init(uint32_t ColorKey) {
    State().ColorKey = uint16_t(ColorKey);
    // A loader made by an earlier vx_Init without vx_Free is released here.
    try {
        State().CurrentLoader = std::make_unique<TTgaLoader>();
    } catch (...) {
        State()
            .CurrentLoader.reset();  // out of memory: no loader, nothing thrown across the boundary
    }
}

VX_ENTRY void VX_CALL vx_Free(void) { State().CurrentLoader.reset(); }

VX_ENTRY void VX_CALL vx_CheckMMX_Bit16(uint32_t Mode) { State().Format565 = uint16_t(Mode) == 1; }

VX_ENTRY uint32_t VX_CALL vx_ARGB(uint32_t Alpha, uint32_t Red, uint32_t Green, uint32_t Blue) {
    return (Alpha & 0xFF) << 24 | (Red & 0xFF) << 16 | (Green & 0xFF) << 8 | (Blue & 0xFF);
}

VX_ENTRY void VX_CALL vx_Normal_Blt(void* Dest, const void* Src, int32_t DestPitch,
                                    int32_t SrcPitch, int32_t DestX, int32_t DestY,
                                    const vx_Rect* SrcRect) {
    const int64_t w = int64_t(SrcRect->right) - SrcRect->left;
    const int64_t h = int64_t(SrcRect->bottom) - SrcRect->top;
    if (!DrawableSize(w) || !DrawableSize(h)) return;  // an inverted rectangle draws nothing either
    ActiveKernels().Copy(
        Block{PixelAt(static_cast<uint8_t*>(Dest), DestPitch, DestX, DestY), DestPitch,
              PixelAt(static_cast<const uint8_t*>(Src), SrcPitch, SrcRect->left, SrcRect->top),
              SrcPitch, nullptr, 0, int32_t(w), int32_t(h)});
}

VX_ENTRY void VX_CALL vx_Clipper_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                     const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                     int32_t DestX, int32_t DestY, const vx_Rect* SrcRect) {
    if (const auto b = ClippedBlock(DestWidth, DestHeight, Dest, Src, DestPitch, SrcPitch, DestX,
                                    DestY, SrcRect))
        ActiveKernels().Copy(*b);
}

VX_ENTRY void VX_CALL vx_Clipper_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                              const void* Src, int32_t DestPitch, int32_t SrcPitch,
                                              int32_t DestX, int32_t DestY,
                                              const vx_Rect* SrcRect) {
    if (const auto b = ClippedBlock(DestWidth, DestHeight, Dest, Src, DestPitch, SrcPitch, DestX,
                                    DestY, SrcRect))
        ActiveKernels().ColorKey(*b, State().ColorKey);
}

VX_ENTRY void VX_CALL vx_Clipper_Alpha_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight,
                                                    void* Dest, const void* Src, int32_t DestPitch,
                                                    int32_t SrcPitch, int32_t DestX, int32_t DestY,
                                                    const vx_Rect* SrcRect, uint32_t Alpha) {
    KeyedBlend(ActiveKernels().Translucent, 256, DestWidth, DestHeight, Dest, Src, DestPitch,
               SrcPitch, DestX, DestY, SrcRect, Alpha);
}

VX_ENTRY void VX_CALL vx_Clipper_BlackAlpha_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight,
                                                         void* Dest, const void* Src,
                                                         int32_t DestPitch, int32_t SrcPitch,
                                                         int32_t DestX, int32_t DestY,
                                                         const vx_Rect* SrcRect, uint32_t Alpha) {
    KeyedBlend(ActiveKernels().Darken, 32, DestWidth, DestHeight, Dest, Src, DestPitch, SrcPitch,
               DestX, DestY, SrcRect, Alpha);
}

VX_ENTRY void VX_CALL vx_Clipper_LightAlpha_ColorKey_Blt(int32_t DestWidth, int32_t DestHeight,
                                                         void* Dest, const void* Src,
                                                         int32_t DestPitch, int32_t SrcPitch,
                                                         int32_t DestX, int32_t DestY,
                                                         const vx_Rect* SrcRect, uint32_t Alpha) {
    KeyedBlend(ActiveKernels().Brighten, 256, DestWidth, DestHeight, Dest, Src, DestPitch, SrcPitch,
               DestX, DestY, SrcRect, Alpha);
}

VX_ENTRY void VX_CALL vx_Clipper_AlphaChannel_Blt(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                                  const void* Src, const uint8_t* AlphaMap,
                                                  int32_t DestPitch, int32_t SrcPitch,
                                                  int32_t DestX, int32_t DestY,
                                                  const vx_Rect* SrcRect) {
    BlendParams p{};
    p.Format565 = State().Format565;
    AlphaChannel(ActiveKernels().AlphaChannel, p, DestWidth, DestHeight, Dest, Src, AlphaMap,
                 DestPitch, SrcPitch, DestX, DestY, SrcRect);
}

VX_ENTRY void VX_CALL vx_Clipper_AlphaChannel_Blt2(int32_t DestWidth, int32_t DestHeight,
                                                   void* Dest, const void* Src,
                                                   const uint8_t* AlphaMap, int32_t DestPitch,
                                                   int32_t SrcPitch, int32_t DestX, int32_t DestY,
                                                   const vx_Rect* SrcRect, uint32_t Color) {
    BlendParams p{};
    p.Format565 = State().Format565;
    const uint32_t a5 = Color >> 27;
    const uint32_t r8 = (Color >> 16) & 0xFF, g8 = (Color >> 8) & 0xFF, b8 = Color & 0xFF;
    p.TintWeight = uint16_t(32 - a5);
    p.TintRed = uint16_t(r8 * a5 / 8);
    p.TintGreen = uint16_t(p.Format565 ? g8 * a5 / 4 : g8 * a5 / 8);
    p.TintBlue = uint16_t(b8 * a5 / 8);
    AlphaChannel(ActiveKernels().AlphaChannelTint, p, DestWidth, DestHeight, Dest, Src, AlphaMap,
                 DestPitch, SrcPitch, DestX, DestY, SrcRect);
}

VX_ENTRY void VX_CALL vx_Clipper_Alpha_Fill(int32_t DestWidth, int32_t DestHeight, void* Dest,
                                            int32_t DestPitch, int32_t X, int32_t Y, int32_t Width,
                                            int32_t Height, uint32_t Color, uint32_t /*Reserved*/) {
    const auto v = ClipFill(DestWidth, DestHeight, X, Y, Width, Height);
    const uint32_t a8 = Color >> 24;
    if (!v || a8 == 0) return;
    BlendParams p{};
    p.Format565 = State().Format565;
    const uint32_t r8 = (Color >> 16) & 0xFF, g8 = (Color >> 8) & 0xFF, b8 = Color & 0xFF;
    p.FillPixel = uint16_t(p.Format565 ? (r8 >> 3) << 11 | (g8 >> 2) << 5 | b8 >> 3
                                       : (r8 >> 3) << 10 | (g8 >> 3) << 5 | b8 >> 3);
    p.Strength = uint16_t(a8);
    ActiveKernels().AlphaFill(
        Block{PixelAt(static_cast<uint8_t*>(Dest), DestPitch, v->DestX, v->DestY), DestPitch,
              nullptr, 0, nullptr, 0, int32_t(v->Width), int32_t(v->Height)},
        p);
}

VX_ENTRY void VX_CALL vx_Reduce_Blt(void* Dest, const void* Src, int32_t DestPitch,
                                    int32_t SrcPitch, const vx_Rect* DestRect,
                                    const vx_Rect* SrcRect) {
    Reduce(false, Dest, Src, DestPitch, SrcPitch, DestRect, SrcRect);
}

VX_ENTRY void VX_CALL vx_Reduce_ColorKey_Blt(void* Dest, const void* Src, int32_t DestPitch,
                                             int32_t SrcPitch, const vx_Rect* DestRect,
                                             const vx_Rect* SrcRect) {
    Reduce(true, Dest, Src, DestPitch, SrcPitch, DestRect, SrcRect);
}

}  // extern "C"
