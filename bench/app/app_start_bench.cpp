// Tessel's start to its first paint and its first highlighted paint of a 40-line C file, with a
// fresh user folder each time, beside bare_window.exe painting the same file; runs alternate with
// the reference and each figure is the median of five.
//
// app_start_bench [--runs 5]

#include "app/AppBench.h"

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    tessel_test::TesselCopy copy;
    if (!bench::copied(copy))
        return 2;
    copy.folder.write(L"sample.c", bench::cSource(0));
    using bench::Alternation;
    using bench::StartTiming;
    const Alternation runs =
        bench::alternate(copy, L"sample.c", static_cast<int>(options.number("--runs", 5)), true, 30000);
    const double bareMs = bench::median(Alternation::of(runs.bare, &StartTiming::firstPaintMs));
    bench::startFigure("bare_window_first_paint_ms", bareMs, "ms");
    bench::startFigure("start_first_paint_ms", bench::median(Alternation::of(runs.tessel, &StartTiming::firstPaintMs)),
                       "ms", "bare_window", bareMs);
    bench::startFigure("start_first_highlight_ms",
                       bench::median(Alternation::of(runs.tessel, &StartTiming::firstHighlightMs)), "ms");
    return 0;
}
