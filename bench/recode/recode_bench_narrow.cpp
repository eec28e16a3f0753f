// The narrow engine's benchmarks (this file is compiled as narrow-build code).
#include "bench_loops.h"

void registerNarrowBenchmarks() {
    registerEngineBenchmarks("narrow");
}
