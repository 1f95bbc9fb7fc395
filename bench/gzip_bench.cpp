// Gunzip of a large file against the system's zcat on the same file; both
// write their output to a file in the same folder.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>

#include "bench_files.h"
#include "gzip/gzip_file.h"

namespace {

struct Input {
    benchfiles::Folder folder;
    std::filesystem::path gz = folder.Path / "big.gz";
    size_t bytes = benchfiles::Megabytes() << 20;

    Input() {
        gzFile out = gzopen(gz.c_str(), "wb6");
        std::string chunk;
        for (size_t done = 0; done < bytes; done += chunk.size()) {
            benchfiles::FillText(chunk, std::min<size_t>(8u << 20, bytes - done),
                                 static_cast<uint32_t>(done >> 20));
            gzwrite(out, chunk.data(), static_cast<unsigned>(chunk.size()));
        }
        gzclose(out);
    }
};

Input& TheInput() {
    static Input input;
    return input;
}

void BM_Gunzip(benchmark::State& state) {
    auto& in = TheInput();
    gzip::TGzipFile gz;
    gz.FileSource = in.gz;
    gz.FileDestination = in.folder.Path / "gunzip.out";
    for (auto _ : state) {
        gz.Gunzip();
        if (!gz.OutputComplete()) state.SkipWithError("gunzip failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes));
}

void BM_Zcat(benchmark::State& state) {
    auto& in = TheInput();
    const std::string cmd =
        "zcat " + benchfiles::Quote(in.gz) + " > " + benchfiles::Quote(in.folder.Path / "zcat.out");
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("zcat failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes));
}

}  // namespace

BENCHMARK(BM_Gunzip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Zcat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
