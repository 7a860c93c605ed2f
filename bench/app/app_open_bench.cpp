// Tessel opening a generated 100 MB C file from its start to the first paint of its text, and
// its peak working set by then, beside bare_window.exe reading, decoding, line-indexing and
// painting the same file; runs alternate with the reference and each figure is the median of five.
//
// app_open_bench [--megabytes 100] [--runs 5]

#include "app/AppBench.h"
#include "support/TesselCopy.h"

#include <string>

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int runs = static_cast<int>(options.number("--runs", 5));
    const size_t megabytes = static_cast<size_t>(options.number("--megabytes", 100));
    tessel_test::TesselCopy copy;
    if (!copy.complete) {
        std::fprintf(stderr, "Tessel.exe, its DLLs or its bundles are missing beside the build's bench folder\n");
        return 2;
    }
    copy.folder.write(L"large.c", bench::cSource(megabytes << 20));
    const std::wstring bare = tessel_test::programFolder() + L"bare_window.exe";
    std::vector<double> paint, peak, barePaint;
    for (int run = 0; run < runs; ++run) {
        barePaint.push_back(bench::timeStart(bare, L"large.c", copy.folder.path, bench::BARE_WINDOW, nullptr, false,
                                             120000)
                                .firstPaintMs);
        copy.freshUserFolder();
        const bench::StartTiming tessel = bench::timeStart(copy.program(), L"large.c", copy.folder.path,
                                                           bench::TESSEL_WINDOW, bench::TESSEL_EDITOR, false, 120000);
        paint.push_back(tessel.firstPaintMs);
        peak.push_back(tessel.peakWorkingSetMb);
    }
    const double bareMs = bench::median(barePaint);
    const std::string name = "open_" + std::to_string(megabytes) + "mb_";
    bench::figure(("bare_window_" + name + "first_paint_ms").c_str(), bareMs, "ms");
    bench::figureBeside((name + "first_paint_ms").c_str(), bench::median(paint), "ms", "bare_window", bareMs);
    bench::figureBeside((name + "peak_working_set_mb").c_str(), bench::median(peak), "MB", "file_size",
                        static_cast<double>(megabytes));
    return 0;
}
