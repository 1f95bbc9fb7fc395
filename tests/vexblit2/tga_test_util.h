#pragma once
// Builds small TGA files byte by byte and decodes them into buffers fenced
// by guard bytes, so that a write outside Width x Height shows up.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "vexblit2/tga_loader.h"

namespace tgatest {

using Bytes = std::vector<uint8_t>;

struct Header {
    uint8_t IdLength = 0, MapType = 0, Type = 2;
    uint16_t FirstEntry = 0, MapLength = 0;
    uint8_t EntryBits = 0;
    uint16_t Width = 1, Height = 1;
    uint8_t Depth = 24, Descriptor = 0;
};

inline Bytes MakeTga(const Header& h, const Bytes& body) {
    Bytes b = {h.IdLength,
               h.MapType,
               h.Type,
               uint8_t(h.FirstEntry),
               uint8_t(h.FirstEntry >> 8),
               uint8_t(h.MapLength),
               uint8_t(h.MapLength >> 8),
               h.EntryBits,
               0,
               0,
               0,
               0,
               uint8_t(h.Width),
               uint8_t(h.Width >> 8),
               uint8_t(h.Height),
               uint8_t(h.Height >> 8),
               h.Depth,
               h.Descriptor};
    b.resize(18 + body.size());
    std::copy(body.begin(), body.end(), b.begin() + 18);
    return b;
}

constexpr size_t kGuard = 64;
constexpr uint16_t kPixelGuard = 0xA5A5;
constexpr uint8_t kAlphaGuard = 0x5A;

struct Decoded {
    uint16_t Width = 0xEEEE, Height = 0xEEEE;
    std::vector<uint16_t> Pixels;  // exactly the pixels the caller sized for
    std::vector<uint8_t> Alpha;
    std::string Error;  // text of the failure, empty when the decode succeeded
    bool GuardsIntact = true;
    bool Untouched = true;  // no pixel and no alpha byte written
};

// Decodes with buffers sized for `pixels` pixels (by default from the header).
inline Decoded Decode(const Bytes& file, vexblit2::PixelFormat f, long pixels = -1) {
    size_t n = pixels >= 0 ? size_t(pixels)
               : file.size() >= 16
                   ? size_t(file[12] | file[13] << 8) * size_t(file[14] | file[15] << 8)
                   : 0;
    std::vector<uint16_t> px(n + 2 * kGuard, kPixelGuard);
    std::vector<uint8_t> al(n + 2 * kGuard, kAlphaGuard);
    Decoded d;
    try {
        vexblit2::DecodeTga(file.data(), file.size(), f, px.data() + kGuard, al.data() + kGuard,
                            &d.Width, &d.Height);
    } catch (const vexblit2::TgaError& e) {
        d.Error = e.what();
    }
    for (size_t i = 0; i < kGuard; ++i) {
        d.GuardsIntact &= px[i] == kPixelGuard && px[px.size() - 1 - i] == kPixelGuard;
        d.GuardsIntact &= al[i] == kAlphaGuard && al[al.size() - 1 - i] == kAlphaGuard;
    }
    d.Pixels.assign(px.begin() + kGuard, px.end() - kGuard);
    d.Alpha.assign(al.begin() + kGuard, al.end() - kGuard);
    for (auto v : d.Pixels) d.Untouched &= v == kPixelGuard;
    for (auto v : d.Alpha) d.Untouched &= v == kAlphaGuard;
    return d;
}

}  // namespace tgatest
