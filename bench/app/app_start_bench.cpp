// Tessel's start to its first paint and its first highlighted paint of a 40-line C file, with a
// fresh user folder each time, beside bare_window.exe painting the same file; runs alternate with
// the reference and each figure is the median of five.
//
// app_start_bench [--runs 5]

#include "app/AppBench.h"
#include "support/TesselCopy.h"

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int runs = static_cast<int>(options.number("--runs", 5));
    tessel_test::TesselCopy copy;
    if (!copy.complete) {
        std::fprintf(stderr, "Tessel.exe, its DLLs or its bundles are missing beside the build's bench folder\n");
        return 2;
    }
    copy.folder.write(L"sample.c", bench::cSource(0));
    const std::wstring bare = tessel_test::programFolder() + L"bare_window.exe";
    std::vector<double> paint, highlight, barePaint;
    for (int run = 0; run < runs; ++run) {
        barePaint.push_back(bench::timeStart(bare, L"sample.c", copy.folder.path, bench::BARE_WINDOW, nullptr, false,
                                             30000)
                                .firstPaintMs);
        copy.freshUserFolder();
        const bench::StartTiming tessel = bench::timeStart(copy.program(), L"sample.c", copy.folder.path,
                                                           bench::TESSEL_WINDOW, bench::TESSEL_EDITOR, true, 30000);
        paint.push_back(tessel.firstPaintMs);
        highlight.push_back(tessel.firstHighlightMs);
    }
    const double bareMs = bench::median(barePaint);
    bench::figure("bare_window_first_paint_ms", bareMs, "ms");
    bench::figureBeside("start_first_paint_ms", bench::median(paint), "ms", "bare_window", bareMs);
    bench::figure("start_first_highlight_ms", bench::median(highlight), "ms");
    return 0;
}
