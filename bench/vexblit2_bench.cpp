// Blit throughput in Mpixel/s: every blit on every tier beside memcpy of the
// same rows, on two workloads:
//   full     one 1024 x 768 blit (Reduce: 2048 x 1536 halved, and 1280 x 960 scaled to 1024 x 768)
//   sprites  1024 sprites of 32 x 32 at random positions in 800 x 600, clipped at the edges
//            (Normal and Reduce clip nothing, so their sprites stay inside; Reduce samples
//            64 x 64 sources, and 40 x 40 in sprites40to32)
// Sources hold 25 % colour-key pixels; alpha maps hold bytes 0 to 32.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vexblit2/kernels.h"
#include "vexblit2/state.h"
#include "vexblit2/vexblit2.h"

namespace {

using vexblit2::Tier;

constexpr uint16_t kKey = 0xF81F;

struct Surface {
    int Width, Height;
    std::vector<uint16_t> Pixels;
    Surface(int w, int h) : Width(w), Height(h), Pixels(size_t(w) * size_t(h)) {}
    int32_t Pitch() const { return 2 * Width; }
    uint16_t* Data() { return Pixels.data(); }
};

Surface RandomSource(int w, int h, uint32_t seed) {
    Surface s(w, h);
    std::mt19937 rng(seed);
    for (auto& p : s.Pixels) p = rng() % 4 == 0 ? kKey : uint16_t(rng());
    return s;
}

enum class Blit {
    Normal,
    Clipper,
    ColorKey,
    Translucent,
    Darken,
    Brighten,
    AlphaMap,
    AlphaMapTint,
    Fill,
    Reduce,
    ReduceColorKey,
    Memcpy
};
const char* const kBlitNames[] = {"Normal_Blt",
                                  "Clipper_Blt",
                                  "Clipper_ColorKey_Blt",
                                  "Clipper_Alpha_ColorKey_Blt",
                                  "Clipper_BlackAlpha_ColorKey_Blt",
                                  "Clipper_LightAlpha_ColorKey_Blt",
                                  "Clipper_AlphaChannel_Blt",
                                  "Clipper_AlphaChannel_Blt2",
                                  "Clipper_Alpha_Fill",
                                  "Reduce_Blt",
                                  "Reduce_ColorKey_Blt",
                                  "memcpy"};

struct Placement {
    vx_Rect Src;                 // in the source
    int32_t X, Y, DestW, DestH;  // destination position; Reduce: destination size
};

// Draws one source rectangle at (x, y); returns the pixels it covered.
int64_t Draw(Blit blit, Surface& dest, Surface& src, const uint8_t* map, const Placement& p) {
    const int32_t dw = dest.Width, dh = dest.Height, dp = dest.Pitch(), sp = src.Pitch();
    uint16_t* d = dest.Data();
    const uint16_t* s = src.Data();
    const vx_Rect& r = p.Src;
    switch (blit) {
        case Blit::Normal:
            vx_Normal_Blt(d, s, dp, sp, p.X, p.Y, &r);
            break;
        case Blit::Clipper:
            vx_Clipper_Blt(dw, dh, d, s, dp, sp, p.X, p.Y, &r);
            break;
        case Blit::ColorKey:
            vx_Clipper_ColorKey_Blt(dw, dh, d, s, dp, sp, p.X, p.Y, &r);
            break;
        case Blit::Translucent:
            vx_Clipper_Alpha_ColorKey_Blt(dw, dh, d, s, dp, sp, p.X, p.Y, &r, 128);
            break;
        case Blit::Darken:
            vx_Clipper_BlackAlpha_ColorKey_Blt(dw, dh, d, s, dp, sp, p.X, p.Y, &r, 16);
            break;
        case Blit::Brighten:
            vx_Clipper_LightAlpha_ColorKey_Blt(dw, dh, d, s, dp, sp, p.X, p.Y, &r, 48);
            break;
        case Blit::AlphaMap:
            vx_Clipper_AlphaChannel_Blt(dw, dh, d, s, map, dp, sp, p.X, p.Y, &r);
            break;
        case Blit::AlphaMapTint:
            vx_Clipper_AlphaChannel_Blt2(dw, dh, d, s, map, dp, sp, p.X, p.Y, &r, 0x80FF8040);
            break;
        case Blit::Fill:
            vx_Clipper_Alpha_Fill(dw, dh, d, dp, p.X, p.Y, r.right - r.left, r.bottom - r.top,
                                  0x80FF8040, 0);
            break;
        case Blit::Reduce:
        case Blit::ReduceColorKey: {
            const vx_Rect to{p.X, p.Y, p.X + p.DestW, p.Y + p.DestH};
            (blit == Blit::Reduce ? vx_Reduce_Blt : vx_Reduce_ColorKey_Blt)(d, s, dp, sp, &to, &r);
            return int64_t(p.DestW) * p.DestH;
        }
        case Blit::Memcpy:
            break;
    }
    // The visible part, which memcpy moves row by row as the ceiling for the copies.
    const int x0 = p.X < 0 ? 0 : p.X, y0 = p.Y < 0 ? 0 : p.Y;
    const int x1 = std::min(dw, p.X + int(r.right - r.left)),
              y1 = std::min(dh, p.Y + int(r.bottom - r.top));
    if (x1 <= x0 || y1 <= y0) return 0;
    if (blit == Blit::Memcpy)
        for (int y = y0; y < y1; ++y)
            std::memcpy(d + size_t(y) * size_t(dw) + size_t(x0),
                        s + size_t(r.top + y - p.Y) * size_t(src.Width) + size_t(r.left + x0 - p.X),
                        size_t(2 * (x1 - x0)));
    return int64_t(x1 - x0) * (y1 - y0);
}

enum class Load { Full, FullOddScale, Sprites, SpritesOddScale };

struct Workload {
    Surface Dest, Src;
    std::vector<uint8_t> Map;
    std::vector<Placement> Placements;
};

Workload Make(Blit blit, Load load) {
    const bool reduce = blit == Blit::Reduce || blit == Blit::ReduceColorKey;
    const bool full = load == Load::Full || load == Load::FullOddScale;
    const int dw = full ? 1024 : 800, dh = full ? 768 : 600;
    int sw = full ? 1024 : 256, sh = full ? 768 : 256;
    if (reduce) sw *= 2, sh *= 2;
    if (load == Load::FullOddScale) sw = 1280, sh = 960;
    Workload w{RandomSource(dw, dh, 1), RandomSource(sw, sh, 2), {}, {}};
    w.Map.resize(size_t(sw) * size_t(sh));
    std::mt19937 rng(3);
    for (auto& a : w.Map) a = uint8_t(rng() % 33);
    if (full) {
        w.Placements.push_back({{0, 0, sw, sh}, 0, 0, dw, dh});
        return w;
    }
    const int unclipped = blit == Blit::Normal || reduce;
    const int cell = load == Load::SpritesOddScale ? 40 : reduce ? 64 : 32;
    for (int i = 0; i < 1024; ++i) {
        const int cx = int(rng() % uint32_t(sw / cell)) * cell,
                  cy = int(rng() % uint32_t(sh / cell)) * cell;
        const int x =
            unclipped ? int(rng() % uint32_t(dw - 32 + 1)) : int(rng() % uint32_t(dw + 31)) - 31;
        const int y =
            unclipped ? int(rng() % uint32_t(dh - 32 + 1)) : int(rng() % uint32_t(dh + 31)) - 31;
        w.Placements.push_back({{cx, cy, cx + cell, cy + cell}, x, y, 32, 32});
    }
    return w;
}

void Run(benchmark::State& state, Blit blit, Load load, Tier tier) {
    vexblit2::SetActiveTier(tier);
    vx_CheckMMX_Bit16(1);
    vexblit2::State().ColorKey = kKey;
    Workload w = Make(blit, load);
    int64_t pixels = 0;
    for (auto _ : state) {
        for (const auto& p : w.Placements) pixels += Draw(blit, w.Dest, w.Src, w.Map.data(), p);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    const struct {
        Load L;
        const char* Name;
    } loads[] = {{Load::Full, "1024x768"},
                 {Load::FullOddScale, "1280x960to1024x768"},
                 {Load::Sprites, "sprites32"},
                 {Load::SpritesOddScale, "sprites40to32"}};
    for (const auto& load : loads) {
        for (int b = 0; b <= int(Blit::Memcpy); ++b) {
            const auto blit = Blit(b);
            const bool reduce = blit == Blit::Reduce || blit == Blit::ReduceColorKey;
            if ((load.L == Load::FullOddScale || load.L == Load::SpritesOddScale) && !reduce)
                continue;
            if (blit == Blit::Memcpy) {
                benchmark::RegisterBenchmark(
                    (std::string(load.Name) + "/memcpy").c_str(),
                    [load](benchmark::State& s) { Run(s, Blit::Memcpy, load.L, Tier::Scalar); });
                continue;
            }
            for (Tier tier : {Tier::Scalar, Tier::Sse2, Tier::Avx2}) {
                if (!vexblit2::TierSupported(tier)) continue;
                const std::string name = std::string(load.Name) + "/" + kBlitNames[b] + "/" +
                                         vexblit2::KernelsFor(tier).Name;
                benchmark::RegisterBenchmark(
                    name.c_str(), [=](benchmark::State& s) { Run(s, blit, load.L, tier); });
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
