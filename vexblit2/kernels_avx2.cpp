// The AVX2 tier: sixteen pixels in the 16-bit lanes of one 256-bit register.
// Built with -mavx2 (also in the 32-bit build) and used only when the
// processor and the operating system support AVX2.

#include <immintrin.h>

#include <cstring>

#include "vexblit2/kernels.h"

namespace vexblit2 {
namespace {

struct V {
    using T = __m256i;
    static constexpr int W = 16;
    static T Load(const uint8_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    static void Store(uint8_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static T LoadAlpha(const uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static T Set(uint16_t v) { return _mm256_set1_epi16(short(v)); }
    static T And(T a, T b) { return _mm256_and_si256(a, b); }
    static T AndNot(T a, T b) { return _mm256_andnot_si256(a, b); }
    static T Or(T a, T b) { return _mm256_or_si256(a, b); }
    static T Add(T a, T b) { return _mm256_add_epi16(a, b); }
    static T Sub(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T AddSat(T a, T b) { return _mm256_adds_epu16(a, b); }
    static T SubSat(T a, T b) { return _mm256_subs_epu16(a, b); }
    static T MulLo(T a, T b) { return _mm256_mullo_epi16(a, b); }
    static T MulHi(T a, T b) { return _mm256_mulhi_epu16(a, b); }
    static T Min(T a, T b) { return _mm256_min_epi16(a, b); }
    static T Eq(T a, T b) { return _mm256_cmpeq_epi16(a, b); }
    template <int N>
    static T Shl(T v) {
        return _mm256_slli_epi16(v, N);
    }
    template <int N>
    static T Shr(T v) {
        return _mm256_srli_epi16(v, N);
    }
    template <int N>
    static T Sar(T v) {
        return _mm256_srai_epi16(v, N);
    }
    static T Select(T mask, T ifSet, T ifClear) { return _mm256_blendv_epi8(ifClear, ifSet, mask); }
    static bool AllSet(T mask) { return _mm256_movemask_epi8(mask) == -1; }
    static bool NoneSet(T mask) { return _mm256_testz_si256(mask, mask) != 0; }
    // Reads 4 bytes at each offset and keeps the low pixel; the caller keeps
    // the offsets below the row's last pixel.
    static constexpr bool HasGather = true;
    static T Gather(const uint8_t* row, const int32_t* offsets) {
        const __m256i low = _mm256_set1_epi32(0xFFFF);
        const T a = _mm256_and_si256(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(row),
                                   Load(reinterpret_cast<const uint8_t*>(offsets)), 1),
            low);
        const T b = _mm256_and_si256(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(row),
                                   Load(reinterpret_cast<const uint8_t*>(offsets + 8)), 1),
            low);
        return _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
    }
    // Eight pixels from the sixteen at window: each mask selects bytes of one
    // half of the window and zeroes the rest. Keyed, pixels equal to the key
    // keep the destination (the group is merged and stored whole).
    static constexpr bool HasShuffle = true;
    template <bool Keyed>
    static void ShuffleGroup(uint8_t* d, const uint8_t* window, const uint8_t* maskLow,
                             const uint8_t* maskHigh, uint16_t key) {
        const auto load = [](const uint8_t* p) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        };
        const __m128i picked = _mm_or_si128(_mm_shuffle_epi8(load(window), load(maskLow)),
                                            _mm_shuffle_epi8(load(window + 16), load(maskHigh)));
        __m128i out = picked;
        if constexpr (Keyed) {
            const __m128i keyed = _mm_cmpeq_epi16(picked, _mm_set1_epi16(short(key)));
            if (_mm_movemask_epi8(keyed) == 0xFFFF) return;
            out = _mm_blendv_epi8(picked, load(d), keyed);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
    }
    // The pack works per 128-bit half; the permute puts the four quarters back in order.
    static T PickOdd(T lo, T hi) {
        const T packed = _mm256_packs_epi32(_mm256_srai_epi32(lo, 16), _mm256_srai_epi32(hi, 16));
        return _mm256_permute4x64_epi64(packed, 0xD8);
    }
};

#include "vexblit2/kernels_simd.inl"

}  // namespace

const KernelTable& Avx2Kernels() {
    static const KernelTable table = MakeTable("avx2");
    return table;
}

}  // namespace vexblit2
