// Decode rate of the TGA loader against stb_image's TGA decoder followed by a
// conversion to 565 (and an alpha map where the image has alpha), on the same
// 1024 x 768 files, held in memory for both.

#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "vexblit2/tga_loader.h"

namespace {

constexpr int kW = 1024, kH = 768;
using Bytes = std::vector<uint8_t>;

enum Kind { Grey, Palette24, Palette32, Rgb15, Rgb16, Rgb24, Rgb32 };

// Game art: flat areas (runs), smooth gradients and busy detail.
void Colour(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) {
    if (((x / 64) + (y / 48)) % 3 == 0) {
        r = 40, g = 90, b = 200, a = 255;
    } else {
        r = uint8_t(x * 255 / kW), g = uint8_t(y * 255 / kH), b = uint8_t((x ^ y) * 7);
        a = uint8_t(x + y);
    }
}

// One pixel value of the kind, as the file stores it.
Bytes Value(Kind k, int x, int y) {
    uint8_t r, g, b, a;
    Colour(x, y, r, g, b, a);
    switch (k) {
        case Grey:
            return {uint8_t((r + g + b) / 3)};
        case Palette24:
        case Palette32:
            return {uint8_t((r & 0xE0) | (g & 0xE0) >> 3 | b >> 6)};
        case Rgb15: {
            const unsigned w = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
            return {uint8_t(w), uint8_t(w >> 8)};
        }
        case Rgb16: {
            const unsigned w = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
            return {uint8_t(w), uint8_t(w >> 8)};
        }
        case Rgb24:
            return {b, g, r};
        case Rgb32:
            return {b, g, r, a};
    }
    return {};
}

Bytes MakeFile(Kind k, bool rle) {
    const uint8_t type = k == Grey ? 3 : (k == Palette24 || k == Palette32) ? 1 : 2;
    const uint8_t depth = k == Grey || k == Palette24 || k == Palette32 ? 8
                          : k == Rgb15                                  ? 15
                          : k == Rgb16                                  ? 16
                          : k == Rgb24                                  ? 24
                                                                        : 32;
    const bool mapped = type == 1;
    const uint8_t entry = k == Palette32 ? 32 : 24;
    Bytes f = {0,
               uint8_t(mapped),
               uint8_t(type + (rle ? 8 : 0)),
               0,
               0,
               0,
               uint8_t(mapped ? 1 : 0),
               uint8_t(mapped ? entry : 0),
               0,
               0,
               0,
               0,
               uint8_t(kW),
               uint8_t(kW >> 8),
               uint8_t(kH),
               uint8_t(kH >> 8),
               depth,
               uint8_t(k == Rgb32 || k == Palette32 ? 8 : 0)};
    if (mapped) {
        for (int i = 0; i < 256; ++i) {
            f.insert(f.end(), {uint8_t((i & 3) << 6), uint8_t((i & 0x1C) << 3), uint8_t(i & 0xE0)});
            if (entry == 32) f.push_back(uint8_t(i));
        }
    }
    for (int y = 0; y < kH; ++y) {
        std::vector<Bytes> row;
        for (int x = 0; x < kW; ++x) row.push_back(Value(k, x, y));
        if (!rle) {
            for (auto& v : row) f.insert(f.end(), v.begin(), v.end());
            continue;
        }
        // runs of 2 or more become run packets, the rest raw packets; none crosses a row
        for (int x = 0; x < kW;) {
            int run = 1;
            while (x + run < kW && run < 128 && row[x + run] == row[x]) ++run;
            if (run >= 2) {
                f.push_back(uint8_t(0x80 | (run - 1)));
                f.insert(f.end(), row[x].begin(), row[x].end());
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < kW && raw < 128 &&
                   !(x + raw + 1 < kW && row[x + raw + 1] == row[x + raw]))
                ++raw;
            f.push_back(uint8_t(raw - 1));
            for (int i = 0; i < raw; ++i) f.insert(f.end(), row[x + i].begin(), row[x + i].end());
            x += raw;
        }
    }
    return f;
}

void Ours(benchmark::State& state, Kind k, bool rle) {
    const Bytes file = MakeFile(k, rle);
    std::vector<uint16_t> px(kW * kH);
    std::vector<uint8_t> al(kW * kH);
    uint16_t w, h;
    for (auto _ : state) {
        vexblit2::DecodeTga(file.data(), file.size(), vexblit2::PixelFormat::Rgb565, px.data(),
                            al.data(), &w, &h);
        benchmark::DoNotOptimize(px.data());
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
    state.counters["file_bytes"] = double(file.size());
}

void StbThen565(benchmark::State& state, Kind k, bool rle) {
    const Bytes file = MakeFile(k, rle);
    std::vector<uint16_t> px(kW * kH);
    std::vector<uint8_t> al(kW * kH);
    for (auto _ : state) {
        int w, h, comp;
        uint8_t* img = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &comp, 0);
        if (!img) {
            state.SkipWithError(stbi_failure_reason());
            break;
        }
        const size_t n = size_t(w) * h;
        if (comp == 1) {
            for (size_t i = 0; i < n; ++i) {
                const uint8_t v = img[i];
                px[i] = uint16_t((v >> 3) << 11 | (v >> 2) << 5 | v >> 3);
                al[i] = 31;
            }
        } else if (comp == 3) {
            for (size_t i = 0; i < n; ++i) {
                const uint8_t* p = img + 3 * i;
                px[i] = uint16_t((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3);
                al[i] = 31;
            }
        } else {
            for (size_t i = 0; i < n; ++i) {
                const uint8_t* p = img + 4 * i;
                px[i] = uint16_t((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3);
                al[i] = uint8_t(p[3] >> 3);
            }
        }
        stbi_image_free(img);
        benchmark::DoNotOptimize(px.data());
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Through the loader object: the file read from disk (page cache) and decoded.
void OursFromFile(benchmark::State& state, Kind k, bool rle) {
    const Bytes file = MakeFile(k, rle);
    const auto path = std::filesystem::temp_directory_path() / "tga-bench.tga";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), file.size());
    vexblit2::TTgaLoader loader;
    std::vector<uint16_t> px(kW * kH);
    std::vector<uint8_t> al(kW * kH);
    uint16_t w, h;
    for (auto _ : state) loader.Load565(path.string().c_str(), px.data(), al.data(), &w, &h);
    state.SetItemsProcessed(state.iterations() * kW * kH);
    std::filesystem::remove(path);
}

struct Named {
    const char* Name;
    Kind K;
};
const Named kKinds[] = {{"grey8", Grey},  {"palette8x24", Palette24}, {"palette8x32", Palette32},
                        {"rgb15", Rgb15}, {"rgb16", Rgb16},           {"rgb24", Rgb24},
                        {"rgb32", Rgb32}};

const bool kRegistered = [] {
    for (const auto& n : kKinds) {
        for (bool rle : {false, true}) {
            const std::string suffix = std::string(n.Name) + (rle ? "_rle" : "_raw");
            benchmark::RegisterBenchmark(("TgaOurs/" + suffix).c_str(), Ours, n.K, rle)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("TgaStb565/" + suffix).c_str(), StbThen565, n.K, rle)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark("TgaOursFromFile/rgb24_raw", OursFromFile, Rgb24, false)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
