// The SSE2 tier: eight pixels in the 16-bit lanes of one 128-bit register.
// Built with -msse2 (also in the 32-bit build) and used only when the
// processor reports SSE2.

#include <emmintrin.h>

#include <cstring>

#include "vexblit2/kernels.h"

namespace vexblit2 {
namespace {

struct V {
    using T = __m128i;
    static constexpr int W = 8;
    static T Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint8_t* p, T v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static T LoadAlpha(const uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                 _mm_setzero_si128());
    }
    static T Set(uint16_t v) { return _mm_set1_epi16(short(v)); }
    static T And(T a, T b) { return _mm_and_si128(a, b); }
    static T AndNot(T a, T b) { return _mm_andnot_si128(a, b); }
    static T Or(T a, T b) { return _mm_or_si128(a, b); }
    static T Add(T a, T b) { return _mm_add_epi16(a, b); }
    static T Sub(T a, T b) { return _mm_sub_epi16(a, b); }
    static T AddSat(T a, T b) { return _mm_adds_epu16(a, b); }
    static T SubSat(T a, T b) { return _mm_subs_epu16(a, b); }
    static T MulLo(T a, T b) { return _mm_mullo_epi16(a, b); }
    static T MulHi(T a, T b) { return _mm_mulhi_epu16(a, b); }
    static T Min(T a, T b) { return _mm_min_epi16(a, b); }
    static T Eq(T a, T b) { return _mm_cmpeq_epi16(a, b); }
    template <int N>
    static T Shl(T v) {
        return _mm_slli_epi16(v, N);
    }
    template <int N>
    static T Shr(T v) {
        return _mm_srli_epi16(v, N);
    }
    template <int N>
    static T Sar(T v) {
        return _mm_srai_epi16(v, N);
    }
    static T Select(T mask, T ifSet, T ifClear) {
        return Or(And(mask, ifSet), AndNot(mask, ifClear));
    }
    static bool AllSet(T mask) { return _mm_movemask_epi8(mask) == 0xFFFF; }
    static bool NoneSet(T mask) { return _mm_movemask_epi8(mask) == 0; }
    static constexpr bool HasGather = false;
    static T Gather(const uint8_t*, const int32_t*) { return _mm_setzero_si128(); }
    static constexpr bool HasShuffle = false;  // byte shuffles need SSSE3
    template <bool Keyed>
    static void ShuffleGroup(uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, uint16_t) {}
    // High halves of the 32-bit lanes, sign-extended so that the signed pack
    // returns them unchanged.
    static T PickOdd(T lo, T hi) {
        return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
    }
};

#include "vexblit2/kernels_simd.inl"

}  // namespace

const KernelTable& Sse2Kernels() {
    static const KernelTable table = MakeTable("sse2");
    return table;
}

}  // namespace vexblit2
