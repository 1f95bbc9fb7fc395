#pragma once
// Large benchmark inputs, made at run time in a temporary folder and removed
// at exit. SELVANE_BENCH_MB overrides the size (default 200).

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace benchfiles {

inline size_t Megabytes() {
    const char* value = std::getenv("SELVANE_BENCH_MB");
    const long mb = value ? std::strtol(value, nullptr, 10) : 200;
    return mb > 0 ? static_cast<size_t>(mb) : 200;
}

class Folder {
public:
    Folder() {
        std::random_device rd;
        Path = std::filesystem::temp_directory_path() / ("selvane-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(Path);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::filesystem::path Path;
};

// Text-like bytes (words over a small alphabet) that gzip packs to about a third.
inline void FillText(std::string& out, size_t size, uint32_t seed) {
    out.resize(size);
    uint32_t x = seed * 2654435761u + 1;
    size_t i = 0;
    while (i < size) {
        x = x * 1103515245u + 12345u;
        const unsigned len = 2 + (x >> 16) % 7;
        for (unsigned k = 0; k < len && i < size; ++k) {
            x = x * 1103515245u + 12345u;
            out[i++] = static_cast<char>('a' + (x >> 16) % 20);
        }
        if (i < size) out[i++] = (x >> 8) % 9 == 0 ? '\n' : ' ';
    }
}

inline std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

}  // namespace benchfiles
