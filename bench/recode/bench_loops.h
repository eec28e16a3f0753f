// The engine benchmarks, compiled once per build: recode_bench.cpp includes
// this as wide-build code, recode_bench_narrow.cpp as narrow-build code.
// Everything here has internal linkage, so the two copies do not meet.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench_data.h"
#include "platform/codepage.h"
#include "platform/heap.h"
#include "recode/recode.h"

namespace {

using AStr = std::basic_string<ACHAR>;

const char* const kDirectionNames[recodeModeCount] = {"dos2win", "win2dos",   "latin2win",
                                                      "cyr2win", "win2latin", "win2cyr"};

// A Windows-form text as this build's string.
AStr windowsForm(const std::u16string& s) {
#ifdef ARX_NARROW
    std::string bytes(s.size(), '\0');
    WideCharToMultiByte(1251, 0, s.data(), static_cast<int>(s.size()), bytes.data(),
                        static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
#else
    return s;
#endif
}

AStr recodedCopy(const AStr& s, int mode) {
    ACHAR* t = acStrDup(s.c_str());
    recodeString(t, mode);
    AStr out(t);
    acStrFree(t);
    return out;
}

// The form a direction reads: what the opposite direction writes.
AStr inputForm(const std::u16string& windows, int mode) {
    AStr s = windowsForm(windows);
    switch (mode) {
        case DosToWindows:
            return recodedCopy(s, WindowsToDos);
        case Latin1ToWindows:
            return recodedCopy(s, WindowsToLatin1);
        case CyrillicToWindows:
            return recodedCopy(s, WindowsToCyrillic);
        default:
            return s;
    }
}

enum class Set { Names, Texts, ShortNames };

// The input of one data set in one direction; one set is kept at a time.
const Packed<ACHAR>& inputs(Set set, int mode) {
    static Packed<ACHAR> cache;
    static Set cachedSet;
    static int cachedMode = -1;
    if (cachedMode == mode && cachedSet == set) return cache;
    cache = Packed<ACHAR>{};
    const auto& source = set == Set::Names   ? benchNames()
                         : set == Set::Texts ? benchTexts()
                                             : benchShortNames();
    for (const auto& s : source) {
        AStr in = inputForm(s, mode);
        if (set == Set::Texts) in.resize(kTextBytes / sizeof(ACHAR));
        cache.add(in);
    }
    cachedSet = set;
    cachedMode = mode;
    return cache;
}

// What every caller does: copy the string to the heap, recode, release.
inline void recodeCopy(const ACHAR* s, std::size_t n, int mode) {
    ACHAR* t = acStrAlloc<ACHAR>(n + 1);
    std::memcpy(t, s, (n + 1) * sizeof(ACHAR));
    recodeString(t, mode);
    benchmark::DoNotOptimize(t);
    acStrFree(t);
}

void recodeAll(benchmark::State& state, Set set, int mode) {
    const Packed<ACHAR>& in = inputs(set, mode);
    for (auto _ : state)
        for (std::size_t i = 0; i < in.size(); ++i)
            recodeCopy(in.at(i), in.length(i), mode);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.units * sizeof(ACHAR)));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * in.units));  // characters
}

void recodeOneName(benchmark::State& state, int mode) {
    const Packed<ACHAR>& in = inputs(Set::ShortNames, mode);
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % in.size();
        recodeCopy(in.at(k), in.length(k), mode);
    }
}

void registerEngineBenchmarks(const std::string& build) {
    for (int mode = 0; mode < recodeModeCount; ++mode) {
        const std::string dir = build + "/" + kDirectionNames[mode];
        benchmark::RegisterBenchmark(("names/" + dir).c_str(), recodeAll, Set::Names, mode)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("texts4k/" + dir).c_str(), recodeAll, Set::Texts, mode)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("name12/" + dir).c_str(), recodeOneName, mode);
    }
}

}  // namespace
