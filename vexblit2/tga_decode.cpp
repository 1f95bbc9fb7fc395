// Decoding of a TGA file image held in memory.
//
// The file is read like a stream: a read past its end delivers no bytes, and
// the value being read keeps the bytes it had, so a truncated file repeats its
// last pixel value to the end of the image. Every read is bounded by the image
// and every write by Width x Height, whatever the header claims.

#include <algorithm>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "vexblit2/tga_loader.h"

namespace vexblit2 {
namespace {

constexpr uint8_t kNoAlpha = 31;  // alpha of pixels for which the file gives none

struct Source {
    const uint8_t* Data;
    size_t Size;
    size_t Pos;
    size_t Remaining() const { return Size - Pos; }
    void Skip(size_t n) { Pos += std::min(n, Remaining()); }
};

// The last pixel value read. Points into the file while whole values are
// read; a short read at the end copies it into Bytes and overlays what exists.
struct LastValue {
    uint8_t Bytes[4] = {};
    const uint8_t* Ptr = Bytes;
};

// Reads one value of `bytes` bytes; returns where its first min(bytes, 4)
// bytes can be read. Bytes beyond the fourth are skipped: no conversion uses them.
const uint8_t* ReadValue(Source& src, LastValue& last, size_t bytes) {
    if (src.Remaining() >= bytes) {
        last.Ptr = src.Data + src.Pos;
        src.Pos += bytes;
        return last.Ptr;
    }
    const size_t keep = std::min<size_t>(bytes, 4);
    if (last.Ptr != last.Bytes) std::memcpy(last.Bytes, last.Ptr, keep);
    last.Ptr = last.Bytes;
    if (src.Remaining())
        std::memcpy(last.Bytes, src.Data + src.Pos, std::min(keep, src.Remaining()));
    src.Pos = src.Size;
    return last.Bytes;
}

inline uint32_t LittleEndian(uint32_t x) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return __builtin_bswap32(x);
#else
    return x;
#endif
}

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

template <PixelFormat F>
inline uint16_t FromGrey(uint8_t v) {
    if constexpr (F == PixelFormat::Rgb565)
        return static_cast<uint16_t>((v >> 3) << 11 | (v >> 2) << 5 | v >> 3);
    else
        return static_cast<uint16_t>((v >> 3) << 10 | (v >> 3) << 5 | v >> 3);
}

template <PixelFormat F>
inline uint16_t From15(uint16_t w) {
    if constexpr (F == PixelFormat::Rgb565)  // green widened from 5 to 6 bits by doubling
        return static_cast<uint16_t>(((w >> 10) & 31) << 11 | (((w >> 5) & 31) * 2) << 5 |
                                     (w & 31));
    else
        return static_cast<uint16_t>(w & 0x7FFF);
}

// 16-bit values are taken as 565 pixels, not as 1-5-5-5 with an attribute
// bit: a deliberate quirk, kept for compatibility with existing game files.
template <PixelFormat F>
inline uint16_t From16(uint16_t w) {
    if constexpr (F == PixelFormat::Rgb565)
        return w;
    else
        return static_cast<uint16_t>((w >> 11) << 10 | ((w >> 6) & 31) << 5 | (w & 31));
}

template <PixelFormat F>
inline uint16_t FromBgr(const uint8_t* p) {
    if constexpr (F == PixelFormat::Rgb565)
        return static_cast<uint16_t>((p[2] >> 3) << 11 | (p[1] >> 2) << 5 | p[0] >> 3);
    else
        return static_cast<uint16_t>((p[2] >> 3) << 10 | (p[1] >> 3) << 5 | p[0] >> 3);
}

// Converters: turn one pixel value (at least as many bytes as they read are
// guaranteed by the caller) into a pixel, and update the current alpha where
// the value carries one. HasAlpha false means the current alpha never changes.
template <PixelFormat F>
struct GreyConv {
    static constexpr bool HasAlpha = false;
    static constexpr size_t Size = 1;
    uint16_t operator()(const uint8_t* p, uint8_t&) const { return FromGrey<F>(p[0]); }
};
template <PixelFormat F>
struct Rgb15Conv {
    static constexpr bool HasAlpha = false;
    static constexpr size_t Size = 2;
    uint16_t operator()(const uint8_t* p, uint8_t&) const { return From15<F>(Le16(p)); }
};
template <PixelFormat F>
struct Rgb16Conv {
    static constexpr bool HasAlpha = false;
    static constexpr size_t Size = 2;
    uint16_t operator()(const uint8_t* p, uint8_t&) const { return From16<F>(Le16(p)); }
};
template <PixelFormat F>
struct Rgb24Conv {
    static constexpr bool HasAlpha = false;
    static constexpr size_t Size = 3;
    static constexpr PixelFormat Format = F;
    uint16_t operator()(const uint8_t* p, uint8_t&) const { return FromBgr<F>(p); }
    // The same from the value's three bytes as the low bytes of a 32-bit word:
    // one load instead of three.
    static uint16_t FromWord(uint32_t x) {
        if constexpr (F == PixelFormat::Rgb565)
            return static_cast<uint16_t>((x >> 8 & 0xF800) | (x >> 5 & 0x07E0) | (x >> 3 & 0x1F));
        else
            return static_cast<uint16_t>((x >> 9 & 0x7C00) | (x >> 6 & 0x03E0) | (x >> 3 & 0x1F));
    }
};
template <PixelFormat F>
struct Rgb32Conv {
    static constexpr bool HasAlpha = true;
    static constexpr size_t Size = 4;
    uint16_t operator()(const uint8_t* p, uint8_t& alpha) const {
        alpha = static_cast<uint8_t>(p[3] >> 3);
        return FromBgr<F>(p);
    }
};
struct Palette {
    uint16_t Pixel[256] = {};
    uint8_t Alpha[256];
    Palette() { std::memset(Alpha, 0xFF, sizeof Alpha); }
};
struct PaletteConv {
    static constexpr bool HasAlpha = false;
    static constexpr size_t Size = 1;
    const Palette* Pal;
    uint16_t operator()(const uint8_t* p, uint8_t&) const { return Pal->Pixel[p[0]]; }
};
struct PaletteAlphaConv {
    static constexpr bool HasAlpha = true;
    static constexpr size_t Size = 1;
    const Palette* Pal;
    uint16_t operator()(const uint8_t* p, uint8_t& alpha) const {
        alpha = static_cast<uint8_t>(Pal->Alpha[p[0]] >> 3);
        return Pal->Pixel[p[0]];
    }
};
// Image types and depths without a defined conversion: black, alpha unchanged.
struct NoConv {
    static constexpr bool HasAlpha = false;
    static constexpr size_t Size = 0;
    uint16_t operator()(const uint8_t*, uint8_t&) const { return 0; }
};

// 24-bit values eight at a time: the one layout the compiler cannot vectorise
// by itself (three bytes a value). Returns how many values it converted; the
// caller does the rest. Each 16-byte load uses 12 bytes, so it stops while 4
// bytes of slack remain after the last value it takes.
template <PixelFormat F>
size_t Bgr24Block(const uint8_t* p, uint16_t* px, size_t count) {
#if defined(__SSE2__)
    // The word of value k is bytes 3k..3k+3: shift each one down to lane 0
    // and gather four lanes, then the same shifts and masks as FromWord.
    const auto gather = [](const uint8_t* q) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i a = _mm_unpacklo_epi32(x, _mm_srli_si128(x, 3));
        const __m128i b = _mm_unpacklo_epi32(_mm_srli_si128(x, 6), _mm_srli_si128(x, 9));
        return _mm_unpacklo_epi64(a, b);
    };
    const auto convert = [](__m128i w) {
        __m128i v;
        if constexpr (F == PixelFormat::Rgb565)
            v = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(_mm_srli_epi32(w, 8), _mm_set1_epi32(0xF800)),
                             _mm_and_si128(_mm_srli_epi32(w, 5), _mm_set1_epi32(0x07E0))),
                _mm_and_si128(_mm_srli_epi32(w, 3), _mm_set1_epi32(0x001F)));
        else
            v = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(_mm_srli_epi32(w, 9), _mm_set1_epi32(0x7C00)),
                             _mm_and_si128(_mm_srli_epi32(w, 6), _mm_set1_epi32(0x03E0))),
                _mm_and_si128(_mm_srli_epi32(w, 3), _mm_set1_epi32(0x001F)));
        // sign-extend the low 16 bits so that the signed pack keeps them as they are
        return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
    };
    size_t i = 0;
    for (; i + 10 <= count; i += 8) {  // bytes 3i .. 3i+27 lie inside 3 x count
        const __m128i lo = convert(gather(p + 3 * i));
        const __m128i hi = convert(gather(p + 3 * i + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(px + i), _mm_packs_epi32(lo, hi));
    }
    return i;
#else
    (void)p;
    (void)px;
    (void)count;
    return 0;
#endif
}

// Converts `count` whole values that lie in the file one after the other.
// Stride is the value size when the compiler may know it (the usual case,
// which it can vectorise), 0 when it comes from the header at run time.
template <size_t Stride, class Conv>
void ConvertWhole(const uint8_t* __restrict p, size_t bytes, const Conv& conv,
                  uint16_t* __restrict px, uint8_t* __restrict al, size_t count, uint8_t& alpha) {
    const size_t step = Stride ? Stride : bytes;
    if constexpr (Conv::HasAlpha) {
        uint8_t a = alpha;
        for (size_t i = 0; i < count; ++i) {
            px[i] = conv(p + i * step, a);
            al[i] = a;
        }
        alpha = a;
    } else if constexpr (Stride == 3 && requires { Conv::FromWord(0u); }) {
        size_t i = Bgr24Block<Conv::Format>(p, px, count);
        // Every value but the last has a byte after it to complete the word.
        for (; i + 1 < count; ++i) {
            uint32_t x;
            std::memcpy(&x, p + 3 * i, 4);
            px[i] = Conv::FromWord(LittleEndian(x));
        }
        px[count - 1] = conv(p + 3 * (count - 1), alpha);
    } else {
        for (size_t i = 0; i < count; ++i) px[i] = conv(p + i * step, alpha);
    }
}

// Reads, converts and stores `count` consecutive values.
template <class Conv>
void DecodeRaw(Source& src, LastValue& last, size_t bytes, const Conv& conv, uint16_t* px,
               uint8_t* al, size_t count, uint8_t& alpha) {
    const size_t whole = bytes ? std::min(count, src.Remaining() / bytes) : count;
    if (whole) {
        const uint8_t* p = src.Data + src.Pos;
        if (bytes == Conv::Size)
            ConvertWhole<Conv::Size>(p, bytes, conv, px, al, whole, alpha);
        else
            ConvertWhole<0>(p, bytes, conv, px, al, whole, alpha);
        last.Ptr = p + (whole - 1) * bytes;
        src.Pos += whole * bytes;
    }
    for (size_t i = whole; i < count; ++i) {
        px[i] = conv(ReadValue(src, last, bytes), alpha);
        if constexpr (Conv::HasAlpha) al[i] = alpha;
    }
}

// A packet may run past the end of its row; its remaining pixels continue at
// the start of the next file row, as a stream decoder would take them.
struct RleState {
    uint8_t Header = 0;  // kept: a read past the end repeats the last packet byte
    size_t Left = 0;     // pixels of the current packet not stored yet
    bool Run = false;
    uint16_t RunPixel = 0;
};

template <class Conv>
void DecodeRleRow(Source& src, LastValue& last, size_t bytes, const Conv& conv, RleState& st,
                  uint16_t* px, uint8_t* al, size_t width, uint8_t& alpha) {
    size_t done = 0;
    while (done < width) {
        if (st.Left == 0) {
            if (src.Remaining()) st.Header = src.Data[src.Pos++];
            st.Left = (st.Header & 0x7Fu) + 1;
            st.Run = st.Header >= 0x80;
            if (st.Run) st.RunPixel = conv(ReadValue(src, last, bytes), alpha);
        }
        const size_t n = std::min(st.Left, width - done);
        if (st.Run) {
            std::fill_n(px + done, n, st.RunPixel);
            if constexpr (Conv::HasAlpha) std::memset(al + done, alpha, n);
        } else {
            DecodeRaw(src, last, bytes, conv, px + done, al + done, n, alpha);
        }
        done += n;
        st.Left -= n;
    }
}

struct Layout {
    size_t Width, Height, Bytes;
    bool Rle, TopDown, RightToLeft;
};

template <class Conv>
void DecodePixels(Source& src, const Layout& lay, const Conv& conv, uint16_t* pixels,
                  uint8_t* alphaMap) {
    if (lay.Width == 0) return;  // rows of no pixels read nothing
    LastValue last;
    RleState rle;
    uint8_t alpha = kNoAlpha;  // once per load, not per row
    for (size_t k = 0; k < lay.Height; ++k) {
        const size_t row = lay.TopDown ? k : lay.Height - 1 - k;
        uint16_t* px = pixels + row * lay.Width;
        uint8_t* al = alphaMap + row * lay.Width;
        if (lay.Rle)
            DecodeRleRow(src, last, lay.Bytes, conv, rle, px, al, lay.Width, alpha);
        else
            DecodeRaw(src, last, lay.Bytes, conv, px, al, lay.Width, alpha);
        if constexpr (!Conv::HasAlpha) std::memset(al, alpha, lay.Width);
        // Decoding forward and mirroring the row stores each file pixel where a
        // right-to-left walk would have put it.
        if (lay.RightToLeft) {
            std::reverse(px, px + lay.Width);
            if constexpr (Conv::HasAlpha) std::reverse(al, al + lay.Width);
        }
    }
}

template <PixelFormat F>
uint16_t ConvertEntry(const uint8_t* p, unsigned bits) {
    switch (bits) {
        case 8:
            return FromGrey<F>(p[0]);
        case 15:
            return From15<F>(Le16(p));
        case 16:
            return From16<F>(Le16(p));
        default:
            return FromBgr<F>(p);  // 24 and 32
    }
}

size_t EntryBytes(unsigned bits) {
    switch (bits) {
        case 8:
            return 1;
        case 15:
        case 16:
            return 2;
        case 24:
            return 3;
        case 32:
            return 4;
        default:
            return 0;
    }
}

[[noreturn]] void ThrowPaletteError(PixelFormat format) {
    const int line = format == PixelFormat::Rgb565 ? 565 : 871;
    throw TgaError(TgaError::Kind::Palette,
                   "Tga file pallete error ! (ReadTga, line " + std::to_string(line) + ")");
}

template <PixelFormat F>
void Decode(const uint8_t* data, size_t size, uint16_t* pixels, uint8_t* alphaMap, uint16_t* width,
            uint16_t* height) {
    uint8_t h[18] = {};  // a file shorter than the header reads as zeros
    if (size) std::memcpy(h, data, std::min<size_t>(size, sizeof h));
    Source src{data, size, std::min<size_t>(size, sizeof h)};

    const unsigned idLength = h[0], mapType = h[1], imageType = h[2];
    const unsigned firstEntry = Le16(h + 3), mapLength = Le16(h + 5), entryBits = h[7];
    const unsigned depth = h[16], descriptor = h[17];

    Layout lay;
    lay.Width = Le16(h + 12);
    lay.Height = Le16(h + 14);
    lay.Bytes = (depth + 7) / 8;
    lay.Rle = imageType >= 9;
    lay.TopDown = descriptor & 0x20;
    lay.RightToLeft = descriptor & 0x10;
    *width = static_cast<uint16_t>(lay.Width);
    *height = static_cast<uint16_t>(lay.Height);

    // The identification field is skipped, so files that name themselves decode.
    src.Skip(idLength);

    const unsigned kind = imageType & ~8u;  // 1 colour-mapped, 2 true-colour, 3 grey
    Palette pal;
    if (kind == 1) {
        if (firstEntry != 0 || mapLength > 256) ThrowPaletteError(F);
        const size_t entry = EntryBytes(entryBits);
        if (entry) {
            LastValue last;
            for (unsigned i = 0; i < mapLength; ++i) {
                const uint8_t* p = ReadValue(src, last, entry);
                pal.Pixel[i] = ConvertEntry<F>(p, entryBits);
                if (entryBits == 32) pal.Alpha[i] = p[3];
            }
        } else {
            src.Skip(size_t{mapLength} * ((entryBits + 7) / 8));
        }
    } else if (mapType == 1) {
        // A colour map on a true-colour or grey file is skipped, not taken for pixels.
        src.Skip(size_t{mapLength} * ((entryBits + 7) / 8));
    }

    // kind 1, 2 or 3 can only come from types 1-3 and 9-11.
    const Layout& l = lay;
    if (kind == 1 && lay.Bytes >= 1) {
        if ((descriptor & 0x0F) > 0)
            DecodePixels(src, l, PaletteAlphaConv{&pal}, pixels, alphaMap);
        else
            DecodePixels(src, l, PaletteConv{&pal}, pixels, alphaMap);
    } else if (kind == 3 && lay.Bytes >= 1) {
        DecodePixels(src, l, GreyConv<F>{}, pixels, alphaMap);
    } else if (kind == 2 && depth == 15) {
        DecodePixels(src, l, Rgb15Conv<F>{}, pixels, alphaMap);
    } else if (kind == 2 && depth == 16) {
        DecodePixels(src, l, Rgb16Conv<F>{}, pixels, alphaMap);
    } else if (kind == 2 && depth == 24) {
        DecodePixels(src, l, Rgb24Conv<F>{}, pixels, alphaMap);
    } else if (kind == 2 && depth == 32) {
        DecodePixels(src, l, Rgb32Conv<F>{}, pixels, alphaMap);
    } else {
        DecodePixels(src, l, NoConv{}, pixels, alphaMap);
    }
}

}  // namespace

void DecodeTga(const uint8_t* data, size_t size, PixelFormat format, uint16_t* pixels,
               uint8_t* alphaMap, uint16_t* width, uint16_t* height) {
    if (format == PixelFormat::Rgb565)
        Decode<PixelFormat::Rgb565>(data, size, pixels, alphaMap, width, height);
    else
        Decode<PixelFormat::Rgb555>(data, size, pixels, alphaMap, width, height);
}

}  // namespace vexblit2
