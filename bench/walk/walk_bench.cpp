// One end-to-end run of the drawing walk: read a drawing, recode it with every
// scope flag in one direction, save it; the time of each step, the speed in
// MB of the input file per second and the peak memory of the process.
//
//   walk_bench IN.dxf OUT.dxf [MODE]
//
// The pass's own progress lines go to standard output; the figures to
// standard error, one "name value" pair a line.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "walk/walk.h"

namespace {

double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Processor seconds (user and system) of the process so far.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: walk_bench IN.dxf OUT.dxf [MODE]\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    const double mb = static_cast<double>(std::filesystem::file_size(in)) / (1024.0 * 1024.0);
    recodeOptions = RecodeOptions{};
    recodeOptions.mode = static_cast<RecodeMode>(argc > 3 ? std::atoi(argv[3]) : DosToWindows);

    auto* db = new AcDbDatabase(false, true);
    auto t = std::chrono::steady_clock::now();
    double c = cpuSeconds();
    if (db->readDwgFile(wide(in).c_str()) != Acad::eOk) {
        std::fprintf(stderr, "cannot read %s\n", in.c_str());
        return 1;
    }
    const double load = seconds(t), loadCpu = cpuSeconds() - c;
    t = std::chrono::steady_clock::now();
    c = cpuSeconds();
    recodeDrawing(db);
    const double pass = seconds(t), passCpu = cpuSeconds() - c;
    t = std::chrono::steady_clock::now();
    c = cpuSeconds();
    if (db->saveAs(wide(out).c_str()) != Acad::eOk) {
        std::fprintf(stderr, "cannot save %s\n", out.c_str());
        return 1;
    }
    const double save = seconds(t), saveCpu = cpuSeconds() - c;
    delete db;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    std::fprintf(stderr, "\nfile_mb %.1f\nload_s %.2f\npass_s %.2f\nsave_s %.2f\ntotal_s %.2f\n", mb, load, pass,
                 save, load + pass + save);
    std::fprintf(stderr, "load_cpu_s %.2f\npass_cpu_s %.2f\nsave_cpu_s %.2f\npass_mb_per_cpu_s %.1f\n", loadCpu,
                 passCpu, saveCpu, mb / passCpu);
    std::fprintf(stderr, "pass_mb_per_s %.1f\ntotal_mb_per_s %.1f\npeak_mb %.0f\npeak_per_file %.2f\n", mb / pass,
                 mb / (load + pass + save), peakMb, peakMb / mb);
    return 0;
}
