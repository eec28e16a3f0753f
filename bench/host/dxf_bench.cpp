// Load and save throughput of the host's DXF layer on a large drawing.
//
// The drawing comes from the environment variable ARX_BENCH_DXF (run.sh
// generates one); without it a small drawing is generated in memory is not
// possible, so the benchmarks are skipped. Memory: `dxf_bench --peak FILE`
// loads and saves once and prints the peak resident size against the file size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "host/core/dxfio.h"

namespace {

std::string g_file;

const std::string& fileBytes() {
    static std::string bytes = [] {
        std::ifstream f(g_file, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }();
    return bytes;
}

long peakRssKb() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

void BM_Load(benchmark::State& state) {
    if (g_file.empty()) {
        state.SkipWithError("set ARX_BENCH_DXF to a drawing");
        return;
    }
    const std::string& bytes = fileBytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = bytes;
        auto* d = new hostcore::Drawing;
        std::string error;
        state.ResumeTiming();
        bool ok = hostcore::loadDxf(*d, std::move(copy), error);
        state.PauseTiming();
        if (!ok) state.SkipWithError(error.c_str());
        delete d;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void save(benchmark::State& state, bool renamed) {
    if (g_file.empty()) {
        state.SkipWithError("set ARX_BENCH_DXF to a drawing");
        return;
    }
    hostcore::Drawing d;
    std::string error;
    if (!hostcore::loadDxf(d, fileBytes(), error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    if (renamed) {
        // Renaming a layer makes every record that names a layer be checked.
        hostcore::Table& layers = d.table(hostcore::TableKind::Layer);
        if (!layers.records.empty()) d.setName(layers.records.back(), "Переименован");
    }
    std::string out;
    for (auto _ : state) {
        hostcore::saveDxf(d, {}, out, error);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.buffer.size()));
}

void BM_Save(benchmark::State& state) { save(state, false); }
void BM_SaveAfterRename(benchmark::State& state) { save(state, true); }

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveAfterRename)->Unit(benchmark::kMillisecond)->Iterations(2);

int peak(const char* path) {
    std::string bytes;
    if (std::FILE* in = std::fopen(path, "rb")) {
        std::fseek(in, 0, SEEK_END);
        bytes.resize(static_cast<std::size_t>(std::ftell(in)));
        std::fseek(in, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) bytes.clear();
        std::fclose(in);
    }
    const double mb = static_cast<double>(bytes.size()) / 1e6;
    hostcore::Drawing d;
    std::string error;
    if (!hostcore::loadDxf(d, std::move(bytes), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Saved the way the host saves a file: streamed out in pieces.
    std::FILE* out = std::fopen("/dev/null", "wb");
    hostcore::saveDxf(d, {}, out, error);
    std::fclose(out);
    const double peakMb = static_cast<double>(peakRssKb()) / 1024.0;
    std::printf("file_mb=%.1f records=%zu peak_rss_mb=%.0f peak_over_file=%.2f\n", mb,
                d.entries.size(), peakMb, peakMb / mb);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) return peak(argv[2]);
    if (const char* env = std::getenv("ARX_BENCH_DXF")) g_file = env;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
