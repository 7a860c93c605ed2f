// Tessel opening a generated 100 MB C file from its start to the first paint of its text, and
// its peak working set and working set by then (each also per MB of file), beside
// bare_window.exe reading, decoding, line-indexing and painting the same file; runs alternate
// with the reference and each figure is the median of five.
//
// app_open_bench [--megabytes 100] [--runs 5]

#include "app/AppBench.h"

#include <string>

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const size_t megabytes = static_cast<size_t>(options.size("--megabytes", 100));
    tessel_test::TesselCopy copy;
    if (!bench::copiedWithLargeC(copy, megabytes))
        return 2;
    using bench::Alternation;
    using bench::StartTiming;
    const Alternation runs =
        bench::alternate(copy, L"large.c", static_cast<int>(bench::runs(static_cast<int>(options.number("--runs", 5)))), false, 120000);
    const double bareMs = bench::median(Alternation::of(runs.bare, &StartTiming::firstPaintMs));
    const std::string name = "open_" + std::to_string(megabytes) + "mb_";
    bench::startFigure("bare_window_" + name + "first_paint_ms", bareMs, "ms");
    bench::startFigure("bare_window_" + name + "peak_working_set_mb",
                       bench::median(Alternation::of(runs.bare, &StartTiming::peakWorkingSetMb)), "MB");
    bench::startFigure(name + "first_paint_ms", bench::median(Alternation::of(runs.tessel, &StartTiming::firstPaintMs)),
                       "ms", "bare_window", bareMs);
    const double size = static_cast<double>(megabytes);
    const double barePeak = bench::median(Alternation::of(runs.bare, &StartTiming::peakWorkingSetMb));
    const double peak = bench::median(Alternation::of(runs.tessel, &StartTiming::peakWorkingSetMb));
    const double resident = bench::median(Alternation::of(runs.tessel, &StartTiming::workingSetMb));
    bench::startFigure(name + "peak_working_set_mb", peak, "MB");
    bench::startFigure(name + "working_set_after_load_mb", resident, "MB");
    if (peak > 0 && resident > 0 && barePeak > 0) {
        bench::figure(("bare_window_" + name + "peak_working_set_vs_file_size").c_str(), barePeak / size, "ratio");
        bench::figureTarget((name + "peak_working_set_vs_file_size").c_str(), peak / size, "ratio", "at most 2.8");
        bench::figureTarget((name + "working_set_after_load_vs_file_size").c_str(), resident / size, "ratio", "at most 2.5");
    }
    return 0;
}
