// ExtractPack of a 100-entry pack against copying the same bytes: the whole
// pack with cp, and the 100 ranges into 100 files with a plain read/write loop,
// once as it is and once with every file synced to disk before the next, which
// is what ExtractPack's atomic replace does for each entry.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "bench_files.h"
#include "update/pack.h"

namespace {

constexpr int kEntries = 100;

void PutLe32(std::string& s, size_t at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
}

struct Input {
    benchfiles::Folder folder;
    std::filesystem::path pack = folder.Path / "big.pak";
    size_t bytes = benchfiles::Megabytes() << 20;
    size_t entrySize = bytes / kEntries;

    Input() {
        std::ofstream out(pack, std::ios::binary);
        std::string dir(update::kPackDirectorySize, '\0');
        PutLe32(dir, 0, kEntries);
        std::string chunk;
        for (int i = 0; i < kEntries; ++i) {
            benchfiles::FillText(chunk, entrySize, static_cast<uint32_t>(i));
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            const size_t at = size_t(i + 1) * update::kPackSlotSize;
            PutLe32(dir, at, static_cast<int32_t>(size_t(i) * entrySize));
            PutLe32(dir, at + 4, static_cast<int32_t>(size_t(i + 1) * entrySize));
            const std::string name = "d" + std::to_string(i % 10) + "\\f" + std::to_string(i);
            dir[at + 8] = static_cast<char>(name.size());
            dir.replace(at + 9, name.size(), name);
        }
        out.write(dir.data(), static_cast<std::streamsize>(dir.size()));
    }
};

Input& TheInput() {
    static Input input;
    return input;
}

void BM_ExtractPack(benchmark::State& state) {
    auto& in = TheInput();
    const auto program = in.folder.Path / "extract";
    for (auto _ : state) {
        const auto result = update::ExtractPack(in.pack, program);
        if (result.Written != kEntries) state.SkipWithError("extract failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes));
}

void BM_CopyWithCp(benchmark::State& state) {
    auto& in = TheInput();
    const std::string cmd =
        "cp " + benchfiles::Quote(in.pack) + " " + benchfiles::Quote(in.folder.Path / "cp.out");
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("cp failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes));
}

void CopyRanges(benchmark::State& state, bool sync) {
    auto& in = TheInput();
    const auto folder = in.folder.Path / "stdio";
    std::filesystem::create_directories(folder);
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::FILE* src = std::fopen(in.pack.c_str(), "rb");
        for (int i = 0; i < kEntries; ++i) {
            const auto name = folder / ("f" + std::to_string(i));
            std::FILE* dst = std::fopen(name.c_str(), "wb");
            size_t left = in.entrySize;
            while (left > 0) {
                const size_t got = std::fread(buffer.data(), 1, std::min(left, buffer.size()), src);
                if (got == 0) break;
                std::fwrite(buffer.data(), 1, got, dst);
                left -= got;
            }
            if (sync) {
                std::fflush(dst);
                ::fsync(::fileno(dst));
            }
            std::fclose(dst);
        }
        std::fclose(src);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes));
}

void BM_CopyRangesWithStdio(benchmark::State& state) { CopyRanges(state, false); }
void BM_CopyRangesWithStdioSynced(benchmark::State& state) { CopyRanges(state, true); }

}  // namespace

BENCHMARK(BM_ExtractPack)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyWithCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyRangesWithStdio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyRangesWithStdioSynced)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
