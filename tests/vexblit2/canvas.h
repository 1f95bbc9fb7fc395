#pragma once
// Test buffers with guard pixels around the part a blit may touch, and the
// helpers that switch tier, format and key for the tests.

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vexblit2/kernels.h"
#include "vexblit2/state.h"
#include "vexblit2/vexblit2.h"

namespace vexblit2::test {

constexpr int kGuard = 3;

// A Width x Height pixel buffer with kGuard pixels (or rows) of guard on each
// side; Offset shifts the whole buffer by one byte to test odd addresses.
struct Canvas {
    int Width, Height, Offset;
    std::vector<uint8_t> Bytes;

    Canvas(int width, int height, int offset = 0)
        : Width(width < 0 ? 0 : width),
          Height(height < 0 ? 0 : height),
          Offset(offset),
          Bytes(size_t(2 * Stride() * (Height + 2 * kGuard) + 1)) {}

    int Stride() const { return Width + 2 * kGuard; }  // in pixels
    int32_t Pitch() const { return 2 * Stride(); }
    uint8_t* Origin() { return Bytes.data() + Offset + Pitch() * kGuard + 2 * kGuard; }
    // Any pixel, guards included (x and y from -kGuard).
    uint16_t At(int x, int y) const {
        uint16_t v;
        std::memcpy(&v, Bytes.data() + Offset + Pitch() * (y + kGuard) + 2 * (x + kGuard), 2);
        return v;
    }
    void Set(int x, int y, uint16_t v) {
        std::memcpy(Bytes.data() + Offset + Pitch() * (y + kGuard) + 2 * (x + kGuard), &v, 2);
    }
    void Fill(std::mt19937& rng) {
        for (auto& b : Bytes) b = uint8_t(rng());
    }
};

inline std::vector<Tier> SupportedTiers() {
    std::vector<Tier> tiers;
    for (Tier t : {Tier::Scalar, Tier::Sse2, Tier::Avx2})
        if (TierSupported(t)) tiers.push_back(t);
    return tiers;
}

inline std::string TierName(Tier t) { return KernelsFor(t).Name; }

// Restores the process state and tier a test changed.
struct StateGuard {
    Tier SavedTier = ActiveTier();
    uint16_t SavedKey = State().ColorKey;
    bool SavedFormat = State().Format565;
    ~StateGuard() {
        SetActiveTier(SavedTier);
        State().ColorKey = SavedKey;
        State().Format565 = SavedFormat;
    }
};

inline void UseFormat(bool f565) { vx_CheckMMX_Bit16(f565 ? 1 : 0); }

}  // namespace vexblit2::test
