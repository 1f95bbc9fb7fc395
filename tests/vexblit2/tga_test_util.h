#pragma once
// Builds TGA files byte by byte and decodes them into buffers fenced by guard
// values, so that a write outside width x height shows up.

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
    Bytes b(18 + body.size());
    const uint8_t head[18] = {h.IdLength,
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
    std::copy(head, head + 18, b.begin());
    std::copy(body.begin(), body.end(), b.begin() + 18);
    return b;
}

constexpr size_t kGuard = 64;
constexpr uint16_t kPixelGuard = 0xA5A5;
constexpr uint8_t kAlphaGuard = 0x5A;

struct Decoded {
    uint16_t Width = 0xEEEE, Height = 0xEEEE;
    std::vector<uint16_t> Pixels;  // the width x height pixels the caller sized for
    std::vector<uint8_t> Alpha;
    std::string Error;  // text of the failure, empty on success
    bool GuardsIntact = true;
    bool Untouched = true;  // no pixel and no alpha byte written
};

inline Decoded Decode(const Bytes& file, vexblit2::PixelFormat f) {
    uint8_t h[16] = {};  // sized as the decoder reads a short header: zeros
    std::copy(file.begin(), file.begin() + std::min<size_t>(file.size(), 16), h);
    const size_t n = size_t(h[12] | h[13] << 8) * size_t(h[14] | h[15] << 8);
    std::vector<uint16_t> px(n + 2 * kGuard, kPixelGuard);
    std::vector<uint8_t> al(n + 2 * kGuard, kAlphaGuard);
    Decoded d;
    try {
        vexblit2::DecodeTga(file.data(), file.size(), f, px.data() + kGuard, al.data() + kGuard,
                            &d.Width, &d.Height);
    } catch (const vexblit2::TgaError& e) {
        d.Error = e.what();
    }
    for (size_t i = 0; i < px.size(); ++i) {
        const bool inside = i >= kGuard && i < kGuard + n;
        (inside ? d.Untouched : d.GuardsIntact) &= px[i] == kPixelGuard && al[i] == kAlphaGuard;
    }
    d.Pixels.assign(px.begin() + kGuard, px.end() - kGuard);
    d.Alpha.assign(al.begin() + kGuard, al.end() - kGuard);
    return d;
}

}  // namespace tgatest
