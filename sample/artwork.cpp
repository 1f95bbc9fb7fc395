#include "sample/artwork.h"

#include <algorithm>

namespace ostrel {
namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// Value noise 0..255 on a lattice of `cell` pixels that repeats every
// kWorldWidth pixels across, so the world's left and right edges meet.
int Noise(int x, int y, int cell, uint32_t seed) {
    const int columns = kWorldWidth / cell;
    const int ix = x / cell, iy = y / cell;
    const int fx = x % cell, fy = y % cell;
    auto corner = [&](int cx, int cy) {
        return int(Hash(uint32_t(cx % columns), uint32_t(cy), seed) & 255);
    };
    const int top = corner(ix, iy) * (cell - fx) + corner(ix + 1, iy) * fx;
    const int bottom = corner(ix, iy + 1) * (cell - fx) + corner(ix + 1, iy + 1) * fx;
    return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

struct Rgb {
    int R, G, B;
};

Rgb Mix(Rgb a, Rgb b, int t, int range) {
    return {a.R + (b.R - a.R) * t / range, a.G + (b.G - a.G) * t / range,
            a.B + (b.B - a.B) * t / range};
}

Rgb Terrain(int height, int detail) {
    const int shade = (detail - 128) / 12;  // a little texture inside each band
    Rgb c;
    if (height < 92)
        c = Mix({16, 40, 110}, {48, 112, 178}, height, 92);
    else if (height < 102)
        c = {206, 192, 128};
    else if (height < 160)
        c = Mix({92, 150, 58}, {56, 118, 44}, height - 102, 58);
    else if (height < 196)
        c = Mix({40, 96, 44}, {26, 70, 36}, height - 160, 36);
    else if (height < 226)
        c = Mix({110, 104, 96}, {150, 146, 140}, height - 196, 30);
    else
        c = {232, 234, 242};
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return {clamp(c.R + shade), clamp(c.G + shade), clamp(c.B + shade)};
}

int Square(int v) { return v * v; }

}  // namespace

Picture MakeWorld(PixelFormat format) {
    Picture world(kWorldWidth, kWorldHeight);
    for (int y = 0; y < kWorldHeight; ++y) {
        for (int x = 0; x < kWorldWidth; ++x) {
            const int height = (Noise(x, y, 160, 7) * 3 + Noise(x, y, 40, 11)) / 4;
            const Rgb c = Terrain(height, Noise(x, y, 8, 23));
            world.At(x, y) = Pack(format, c.R, c.G, c.B);
        }
    }
    return world;
}

Picture MakeSlime(PixelFormat format) {
    Picture slime(32, 32, ColorKey(format));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            // Body: ellipse centred (16, 20), radii 14 and 11, darker towards its rim.
            const int body = Square(x - 16) * 121 + Square(y - 20) * 196;
            if (body > 196 * 121) continue;
            const int rim = body * 96 / (196 * 121);
            Rgb c{70 - rim / 2, 210 - rim, 96 - rim / 2};
            if (Square(x - 11) + Square(y - 14) <= 5) c = {220, 255, 220};  // highlight
            for (int eye : {12, 20}) {
                if (Square(x - eye) + Square(y - 19) <= 4) c = {250, 250, 250};
                if (Square(x - eye) + Square(y - 20) <= 1) c = {10, 20, 10};
            }
            slime.At(x, y) = Pack(format, c.R, c.G, c.B);
        }
    }
    return slime;
}

Picture MakeShadow(PixelFormat format) {
    Picture shadow(32, 10, ColorKey(format));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 32; ++x)
            if (Square(2 * x - 31) * 81 + Square(2 * y - 9) * 961 <= 961 * 81) shadow.At(x, y) = 0;
    return shadow;
}

Picture MakeGhost(PixelFormat format) {
    Picture ghost(32, 40, ColorKey(format));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool head = Square(x - 16) + Square(y - 15) <= 14 * 14;
            const int hem = 34 + ((x / 4) % 2 == 0 ? x % 4 : 3 - x % 4) * 2;  // wavy lower edge
            const bool sheet = y >= 15 && y < hem && x >= 2 && x < 30;
            if (!head && !sheet) continue;
            Rgb c{224, 232, 255};
            if ((Square(x - 11) + Square(y - 14) <= 6) || (Square(x - 21) + Square(y - 14) <= 6))
                c = {30, 30, 60};
            if (Square(x - 16) * 4 + Square(y - 23) * 9 <= 36) c = {60, 40, 80};  // mouth
            ghost.At(x, y) = Pack(format, c.R, c.G, c.B);
        }
    }
    return ghost;
}

Picture MakeGlow(PixelFormat format) {
    Picture glow(64, 64, ColorKey(format));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int d2 = Square(2 * x - 63) + Square(2 * y - 63);  // twice the distance, squared
            if (d2 >= 64 * 64) continue;
            const int fall = 64 * 64 - d2;  // 1 at the rim, 4096 at the centre
            const int f = fall * fall / (64 * 64);
            glow.At(x, y) = Pack(format, 255 * f / 4096, 190 * f / 4096, 96 * f / 4096);
        }
    }
    return glow;
}

}  // namespace ostrel
