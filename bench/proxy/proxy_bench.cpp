// Explode of proxy entities through the interface: each proxy of model space is opened for read,
// exploded into new entities (the pieces its stored picture draws), the pieces are deleted and
// the proxy is closed, as a module that converts proxies would do it.
//
// The drawing comes from the environment variable ARX_BENCH_PROXY_DXF (run.sh generates one of
// 100,000 proxies); it is loaded once, outside the timing. The argument of each benchmark is how
// many proxies, from the first, it goes through (0: all), so that the run on the proxies the
// ezdxf baseline decodes can be compared with the run on the whole drawing.
// `proxy_bench --pieces FILE [K]` prints the pieces of proxy K (from 0) with their extents, to
// check what the benchmark explodes against ezdxf's entities of the same picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common/bench_drawing.h"
#include "host/arx.h"

namespace {

using Loaded = BenchDrawing;

bool isProxy(const AcDbEntity* e) { return e->isKindOf(AcDbProxyEntity::desc()); }

Loaded load(const char* file) {
    Loaded out = loadBenchDrawing(file, "ARX_BENCH_PROXY_DXF", isProxy);
    if (out.error.empty() && out.ids.empty()) out.error = std::string("no proxy entity in ") + file;
    return out;
}

const Loaded& drawing() {
    static Loaded l = load(std::getenv("ARX_BENCH_PROXY_DXF"));
    return l;
}

std::size_t countOf(const benchmark::State& state, const Loaded& l) {
    const auto n = static_cast<std::size_t>(state.range(0));
    return n == 0 || n > l.ids.size() ? l.ids.size() : n;
}

void BM_ExplodeProxies(benchmark::State& state) {
    const Loaded& l = drawing();
    if (!l.error.empty()) {
        state.SkipWithError(l.error.c_str());
        return;
    }
    const std::size_t n = countOf(state, l);
    int64_t pieces = 0, skipped = 0, refused = 0;
    AcDbVoidPtrArray out;
    for (auto _ : state) {
        pieces = skipped = refused = 0;
        for (std::size_t k = 0; k < n; ++k) {
            AcDbEntity* e = nullptr;
            if (acdbOpenObject(e, l.ids[k], AcDb::kForRead) != Acad::eOk) {
                ++refused;
                continue;
            }
            out.clear();
            uint32_t notDrawn = 0;
            if (e->explode(out, notDrawn) != Acad::eOk) ++refused;
            skipped += notDrawn;
            pieces += static_cast<int64_t>(out.size());
            for (void* p : out)
                delete static_cast<AcDbEntity*>(p);
            e->close();
        }
    }
    if (refused == static_cast<int64_t>(n)) {
        state.SkipWithError("no proxy exploded");
        return;
    }
    const auto iters = static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
    state.counters["proxies"] = static_cast<double>(n);
    state.counters["pieces"] = static_cast<double>(pieces);
    state.counters["skipped"] = static_cast<double>(skipped);
    state.counters["refused"] = static_cast<double>(refused);
    state.counters["pieces_per_s"] =
        benchmark::Counter(static_cast<double>(pieces) * iters, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExplodeProxies)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same walk without the explode: what opening and closing the proxies cost on their own.
void BM_OpenCloseProxies(benchmark::State& state) {
    const Loaded& l = drawing();
    if (!l.error.empty()) {
        state.SkipWithError(l.error.c_str());
        return;
    }
    const std::size_t n = countOf(state, l);
    for (auto _ : state) {
        for (std::size_t k = 0; k < n; ++k) {
            AcDbEntity* e = nullptr;
            if (acdbOpenObject(e, l.ids[k], AcDb::kForRead) != Acad::eOk) continue;
            benchmark::DoNotOptimize(e);
            e->close();
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(BM_OpenCloseProxies)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int printPieces(const char* file, long k) {
    const Loaded l = load(file);
    if (!l.error.empty()) {
        std::fprintf(stderr, "%s\n", l.error.c_str());
        return 1;
    }
    if (k < 0 || static_cast<std::size_t>(k) >= l.ids.size()) {
        std::fprintf(stderr, "the drawing has %zu proxies\n", l.ids.size());
        return 1;
    }
    AcDbEntity* e = nullptr;
    if (acdbOpenObject(e, l.ids[static_cast<std::size_t>(k)], AcDb::kForRead) != Acad::eOk) {
        std::fprintf(stderr, "cannot open proxy %ld\n", k);
        return 1;
    }
    AcDbVoidPtrArray out;
    uint32_t skipped = 0;
    const Acad::ErrorStatus es = e->explode(out, skipped);
    e->close();
    std::printf("status=%d pieces=%zu skipped=%u\n", static_cast<int>(es), out.size(), skipped);
    for (void* p : out) {
        auto* piece = static_cast<AcDbEntity*>(p);
        AcDbExtents box;
        const char* dxf = piece->isA()->dxfName();
        if (piece->getGeomExtents(box) == Acad::eOk) {
            const AcGePoint3d lo = box.minPoint(), hi = box.maxPoint();
            std::printf("%-12s (%.6g, %.6g, %.6g),(%.6g, %.6g, %.6g)\n", dxf ? dxf : "?", lo.x,
                        lo.y, lo.z, hi.x, hi.y, hi.z);
        } else {
            std::printf("%-12s no extents\n", dxf ? dxf : "?");
        }
        delete piece;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--pieces") == 0)
        return printPieces(argv[2], argc > 3 ? std::strtol(argv[3], nullptr, 10) : 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
