// Picks the kernel tier once, when the library is loaded.

#include <cstdlib>
#include <cstring>

#include "vexblit2/kernels.h"

namespace vexblit2 {
namespace {

bool CpuHas(Tier tier) {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    switch (tier) {
        case Tier::Scalar:
            return true;
        case Tier::Sse2:
            return __builtin_cpu_supports("sse2");
        case Tier::Avx2:
            // Also true only when the OS saves the YMM state.
            return __builtin_cpu_supports("avx2");
    }
    return false;
#else
    return tier == Tier::Scalar;
#endif
}

Tier BestTier() {
    if (CpuHas(Tier::Avx2)) return Tier::Avx2;
    if (CpuHas(Tier::Sse2)) return Tier::Sse2;
    return Tier::Scalar;
}

// VEXBLIT2_TIER caps the tier for troubleshooting; an unknown value is ignored.
Tier ChooseAtLoad() {
    Tier best = BestTier();
    const char* forced = std::getenv("VEXBLIT2_TIER");
    if (forced == nullptr) return best;
    Tier wanted = best;
    if (std::strcmp(forced, "scalar") == 0)
        wanted = Tier::Scalar;
    else if (std::strcmp(forced, "sse2") == 0)
        wanted = Tier::Sse2;
    else if (std::strcmp(forced, "avx2") == 0)
        wanted = Tier::Avx2;
    return static_cast<int>(wanted) < static_cast<int>(best) ? wanted : best;
}

}  // namespace

bool TierSupported(Tier tier) { return CpuHas(tier); }

const KernelTable& KernelsFor(Tier tier) {
    switch (tier) {
        case Tier::Avx2:
            return Avx2Kernels();
        case Tier::Sse2:
            return Sse2Kernels();
        case Tier::Scalar:
            break;
    }
    return ScalarKernels();
}

namespace {

Tier g_tier = Tier::Scalar;
const KernelTable* g_active = nullptr;  // constant-initialised: valid before any constructor runs

void Choose() {
    g_tier = ChooseAtLoad();
    g_active = &KernelsFor(g_tier);
}

// Chooses when the library is loaded; ActiveKernels also covers a call made
// from another module's static constructors before this one has run.
const struct ChooseOnLoad {
    ChooseOnLoad() {
        if (g_active == nullptr) Choose();
    }
} g_chooseOnLoad;

}  // namespace

const KernelTable& ActiveKernels() {
    if (g_active == nullptr) Choose();
    return *g_active;
}

Tier ActiveTier() {
    ActiveKernels();
    return g_tier;
}

void SetActiveTier(Tier tier) {
    g_tier = TierSupported(tier) ? tier : BestTier();
    g_active = &KernelsFor(g_tier);
}

}  // namespace vexblit2
