// Throughput of the recoding engine in both builds, with glibc iconv
// converting the same data from CP866 to UTF-16LE as the baseline.
//
// names/*   one million names of 4 to 20 characters, each copied to the heap,
//           recoded and released (the callers' pattern)
// texts4k/* 64 texts of 4 KiB in the direction's input form
// name12/*  one 12-character name per iteration: time per name
//
// bytes_per_second counts input bytes (2 per character in the wide build, 1
// in the narrow build and for iconv); items_per_second counts characters.
#include <iconv.h>

#include <cstdio>
#include <vector>

#include "bench_loops.h"

void registerNarrowBenchmarks();

namespace {

// The data as CP866 bytes.
const Packed<char>& dosBytes(Set set) {
    static Packed<char> cache;
    static Set cachedSet;
    static bool filled = false;
    if (filled && cachedSet == set) return cache;
    cache = Packed<char>{};
    const auto& source = set == Set::Names   ? benchNames()
                         : set == Set::Texts ? benchTexts()
                                             : benchShortNames();
    for (const auto& s : source) {
        std::string bytes(s.size(), '\0');
        WideCharToMultiByte(866, 0, s.data(), static_cast<int>(s.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
        if (set == Set::Texts) bytes.resize(kTextBytes);
        cache.add(bytes);
    }
    cachedSet = set;
    filled = true;
    return cache;
}

class Iconv {
  public:
    Iconv() : cd_(iconv_open("UTF-16LE", "CP866")), out_(2 * kTextBytes + 16) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    void convert(const char* s, std::size_t n) {
        char* in = const_cast<char*>(s);
        char* out = out_.data();
        std::size_t outLeft = out_.size();
        iconv(cd_, &in, &n, &out, &outLeft);
        benchmark::DoNotOptimize(out_.data());
    }

  private:
    iconv_t cd_;
    std::vector<char> out_;
};

void iconvAll(benchmark::State& state, Set set) {
    const Packed<char>& in = dosBytes(set);
    Iconv cv;
    if (!cv.ok()) {
        state.SkipWithError("iconv has no CP866");
        return;
    }
    for (auto _ : state)
        for (std::size_t i = 0; i < in.size(); ++i)
            cv.convert(in.at(i), in.length(i));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.units));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * in.units));
}

void iconvOneName(benchmark::State& state) {
    const Packed<char>& in = dosBytes(Set::ShortNames);
    Iconv cv;
    std::size_t i = 0;
    for (auto _ : state)
        cv.convert(in.at(i++ % in.size()), 12);
}

}  // namespace

int main(int argc, char** argv) {
    setAnsiCodePage(1251);
    benchmark::RegisterBenchmark("names/iconv/cp866-utf16le", iconvAll, Set::Names)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("texts4k/iconv/cp866-utf16le", iconvAll, Set::Texts)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("name12/iconv/cp866-utf16le", iconvOneName);
    registerEngineBenchmarks("wide");
    registerNarrowBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
