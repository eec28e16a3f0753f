// Extents of every entity of a large drawing through the interface: each entity of model space
// is opened for read, asked for getGeomExtents and closed, as a module would do it.
//
// The drawing comes from the environment variable ARX_BENCH_DXF (run.sh generates one with a
// million entities); it is loaded once, outside the timing. `extents_bench --union FILE [N]`
// prints the joined extents of the first N entities (all without N) and how many gave a box,
// for comparing with ezdxf's boxes of the same entities.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common/bench_drawing.h"
#include "host/arx.h"

namespace {

using Loaded = BenchDrawing;

const Loaded& drawing() {
    static Loaded l = loadBenchDrawing(std::getenv("ARX_BENCH_DXF"), "ARX_BENCH_DXF");
    return l;
}

void BM_GeomExtents(benchmark::State& state) {
    const Loaded& l = drawing();
    if (!l.error.empty()) {
        state.SkipWithError(l.error.c_str());
        return;
    }
    long ok = 0, statuses = 0;
    for (auto _ : state) {
        AcDbExtents all;
        ok = statuses = 0;
        for (const AcDbObjectId& id : l.ids) {
            AcDbEntity* e = nullptr;
            if (acdbOpenObject(e, id, AcDb::kForRead) != Acad::eOk) continue;
            AcDbExtents box;
            if (e->getGeomExtents(box) == Acad::eOk) {
                all.addExt(box);
                ++ok;
            } else {
                ++statuses;
            }
            e->close();
        }
        benchmark::DoNotOptimize(all);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * l.ids.size()));
    state.counters["entities"] = static_cast<double>(l.ids.size());
    state.counters["boxes"] = static_cast<double>(ok);
    state.counters["statuses"] = static_cast<double>(statuses);
}
BENCHMARK(BM_GeomExtents)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same walk without the extents: what opening and closing cost on their own.
void BM_OpenCloseOnly(benchmark::State& state) {
    const Loaded& l = drawing();
    if (!l.error.empty()) {
        state.SkipWithError(l.error.c_str());
        return;
    }
    for (auto _ : state) {
        for (const AcDbObjectId& id : l.ids) {
            AcDbEntity* e = nullptr;
            if (acdbOpenObject(e, id, AcDb::kForRead) != Acad::eOk) continue;
            benchmark::DoNotOptimize(e);
            e->close();
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * l.ids.size()));
}
BENCHMARK(BM_OpenCloseOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int printUnion(const char* file, long limit) {
    const Loaded l = loadBenchDrawing(file, "ARX_BENCH_DXF");
    if (!l.error.empty()) {
        std::fprintf(stderr, "%s\n", l.error.c_str());
        return 1;
    }
    std::size_t n = l.ids.size();
    if (limit > 0 && static_cast<std::size_t>(limit) < n) n = static_cast<std::size_t>(limit);
    AcDbExtents all;
    long boxes = 0, statuses = 0;
    for (std::size_t k = 0; k < n; ++k) {
        AcDbEntity* e = nullptr;
        if (acdbOpenObject(e, l.ids[k], AcDb::kForRead) != Acad::eOk) {
            ++statuses;
            continue;
        }
        AcDbExtents box;
        if (e->getGeomExtents(box) == Acad::eOk) {
            all.addExt(box);
            ++boxes;
        } else {
            ++statuses;
        }
        e->close();
    }
    const AcGePoint3d lo = all.minPoint(), hi = all.maxPoint();
    std::printf(
        "entities=%zu boxes=%ld statuses=%ld extents=(%.6g, %.6g, %.6g),(%.6g, %.6g, %.6g)\n", n,
        boxes, statuses, lo.x, lo.y, lo.z, hi.x, hi.y, hi.z);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--union") == 0)
        return printUnion(argv[2], argc > 3 ? std::strtol(argv[3], nullptr, 10) : 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
