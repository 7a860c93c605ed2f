#pragma once
// What the program start benchmarks share: a start of a program measured from CreateProcess to
// the first capture of its window showing text (and, for Tessel, keyword colour), polled every
// 2 ms; the peak working set at that point; Tessel's runs alternating with the reference's;
// medians; and the C text they open.

#include "support/Bench.h"
#include "support/OtherProcess.h"
#include "support/TesselCopy.h"

#include <psapi.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

namespace bench {

// Tessel's editor window and the reference's window.
constexpr const wchar_t* TESSEL_WINDOW = L"Tessel35WindowClass";
constexpr const wchar_t* TESSEL_EDITOR = L"TesselEditor";
constexpr const wchar_t* BARE_WINDOW = L"BareWindow";

// Text is shown once this many pixels are near the theme's foreground (#1F1F1F) and the window's
// commonest colour is its white background: a window not yet painted shows black.
constexpr int TEXT_PIXELS = 20;
// Highlighted once this many are within 8 of the keyword colour (#0000FF).
constexpr int KEYWORD_PIXELS = 10;

// Whether the capture shows text: dark pixels on the white background of a painted window.
inline bool showsText(const tessel_test::Capture& capture) {
    return capture.count(0x1F1F1F, 0x40) >= TEXT_PIXELS &&
           capture.commonest(RECT{0, 0, capture.width, capture.height}) == 0xFFFFFFu;
}

// Whether the window shows text in the shipped theme's foreground (#1F1F1F), within the limit.
// Tessel shows a file's text before its bundles are installed, in colours of its own (#333333
// text on #EDEDED for the caret's line), and paints it again in the theme's once they are: a
// step that compares the window with an earlier capture of it waits for the theme first, or
// the theme's paint is taken for the step's result, or makes the earlier capture one the
// window never matches again.
inline bool showsTheme(HWND window, DWORD limitMs) {
    return tessel_test::pollFor(
        [&] { return tessel_test::Capture::of(window).count(0x1F1F1F, 8) >= TEXT_PIXELS; }, limitMs, 2);
}

// The working set of a process now and at its peak, in MB.
struct WorkingSet {
    double nowMb = 0;
    double peakMb = 0;
};

inline WorkingSet workingSetOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    WorkingSet set;
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) {
        set.nowMb = static_cast<double>(memory.WorkingSetSize) / (1 << 20);
        set.peakMb = static_cast<double>(memory.PeakWorkingSetSize) / (1 << 20);
    }
    return set;
}

struct StartTiming {
    double firstPaintMs = -1;     // -1: never within the limit
    double firstHighlightMs = -1; // measured only when asked for
    double peakWorkingSetMb = 0;  // at the last figure taken
    double workingSetMb = 0;      // then
};

// Polls the window of class `windowClass` of `process`, started at `start` (seconds()), or that
// window's child of class `childClass`, until text shows, and keyword colour too when
// `highlight` is set, or `limitMs` passed; the window found, if any, in `o_window`. The program
// goes on running.
inline StartTiming firstPaint(const tessel_test::OtherProcess& process, double start, const wchar_t* windowClass,
                              const wchar_t* childClass, bool highlight, DWORD limitMs, HWND* o_window) {
    using tessel_test::Capture;
    using tessel_test::OtherProcess;
    StartTiming timing;
    HWND& window = *o_window;
    window = nullptr;
    while (process.running() && (seconds() - start) * 1000 < limitMs) {
        window = window ? window : process.findWindow(windowClass);
        HWND shown = window && childClass ? OtherProcess::findChild(window, childClass) : window;
        if (shown) {
            const Capture capture = Capture::of(shown);
            const double now = (seconds() - start) * 1000;
            if (timing.firstPaintMs < 0 && showsText(capture))
                timing.firstPaintMs = now;
            if (highlight && timing.firstHighlightMs < 0 && capture.count(0x0000FF, 8) >= KEYWORD_PIXELS)
                timing.firstHighlightMs = now;
            if (timing.firstPaintMs >= 0 && (!highlight || timing.firstHighlightMs >= 0))
                break;
        }
        ::Sleep(2);
    }
    const WorkingSet memory = workingSetOf(process.handle());
    timing.peakWorkingSetMb = memory.peakMb;
    timing.workingSetMb = memory.nowMb;
    return timing;
}

// Starts `program` with `arguments` in `folder` and times its first paint (firstPaint). The
// program is then asked to close, and ended if it does not.
inline StartTiming timeStart(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                             const wchar_t* windowClass, const wchar_t* childClass, bool highlight, DWORD limitMs) {
    const double start = seconds();
    tessel_test::OtherProcess process(program, arguments, folder);
    HWND window = nullptr;
    const StartTiming timing = firstPaint(process, start, windowClass, childClass, highlight, limitMs, &window);
    if (window)
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    process.exitCode(20000);
    return timing;
}

// The median of the figures taken; -1 when a run missed its figure.
inline double median(std::vector<double> values) {
    if (values.empty() || *std::min_element(values.begin(), values.end()) < 0)
        return -1;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Runs of Tessel, each giving a `Timing` (a start's figures, or more), beside starts of the
// reference (bare_window.exe) on the same file.
template <class Timing>
struct RunsBeside {
    std::vector<StartTiming> bare;
    std::vector<Timing> tessel;

    // The field of each run of `runs` (bare or tessel).
    template <class Run, class Field>
    static std::vector<double> of(const std::vector<Run>& runs, Field field) {
        std::vector<double> values;
        for (const Run& timing : runs)
            values.push_back(timing.*field);
        return values;
    }
};

// A start of the reference on `file` in the copy's folder, then `tesselRun()` with a fresh user
// folder named in the copy, `runs` of each by turns.
template <class TesselRun>
RunsBeside<std::invoke_result_t<TesselRun&>> alternateWith(tessel_test::TesselCopy& copy, const std::wstring& file,
                                                           int runs, DWORD limitMs, TesselRun tesselRun) {
    const std::wstring bare = tessel_test::programFolder() + L"bare_window.exe";
    RunsBeside<std::invoke_result_t<TesselRun&>> result;
    for (int run = 0; run < runs; ++run) {
        result.bare.push_back(timeStart(bare, file, copy.folder.path, BARE_WINDOW, nullptr, false, limitMs));
        copy.freshUserFolder();
        result.tessel.push_back(tesselRun());
    }
    return result;
}

// Starts of the reference and of Tessel, `runs` of each by turns, on `file` in the copy's folder.
using Alternation = RunsBeside<StartTiming>;

inline Alternation alternate(tessel_test::TesselCopy& copy, const std::wstring& file, int runs, bool highlight,
                             DWORD limitMs) {
    return alternateWith(copy, file, runs, limitMs, [&] {
        return timeStart(copy.program(), file, copy.folder.path, TESSEL_WINDOW, TESSEL_EDITOR, highlight, limitMs);
    });
}

// False, with a message, when the build holds no complete program to copy.
inline bool copied(const tessel_test::TesselCopy& copy) {
    if (!copy.complete)
        std::fprintf(stderr, "Tessel.exe, its DLLs or its bundles are missing beside the build's bench folder\n");
    return copy.complete;
}

// The copy with "large.c" of about `megabytes` MB of C beside the program; false, with a
// message, when the build holds no complete program to copy.
inline bool copiedWithLargeC(tessel_test::TesselCopy& copy, size_t megabytes);

// The figure, beside the reference's when given; a figure never reached is said on the error
// stream and printed as -1, without a ratio.
inline void startFigure(const std::string& name, double value, const char* unit, const char* peer = nullptr,
                        double peerValue = 0) {
    if (value < 0)
        std::fprintf(stderr, "%s: not reached within the limit\n", name.c_str());
    if (peer && value >= 0)
        figureBeside(name.c_str(), value, unit, peer, peerValue);
    else
        figure(name.c_str(), value, unit);
}

// A C file of about `bytes` bytes (at least one copy of the sample): lines of a real program's
// shape, CR LF ended, repeated.
inline std::string cSource(size_t bytes) {
    static const char* const LINES[] = {
        "#include <stdio.h>",
        "#include <stdlib.h>",
        "",
        "/* A small table of counters, printed in columns. */",
        "#define COLUMNS 4",
        "",
        "typedef struct counter {",
        "    const char *name;",
        "    unsigned long value;",
        "} counter;",
        "",
        "static counter table[] = {",
        "    {\"lines\", 0}, {\"words\", 0}, {\"bytes\", 0}, {\"tabs\", 0},",
        "};",
        "",
        "static int is_space(int c) {",
        "    return c == ' ' || c == '\\t' || c == '\\n';",
        "}",
        "",
        "int count(FILE *in) {",
        "    int c, inside = 0;",
        "    while ((c = fgetc(in)) != EOF) {",
        "        table[2].value++;",
        "        if (c == '\\n')",
        "            table[0].value++;",
        "        if (c == '\\t')",
        "            table[3].value++;",
        "        if (is_space(c))",
        "            inside = 0;",
        "        else if (!inside) {",
        "            inside = 1;",
        "            table[1].value++;",
        "        }",
        "    }",
        "    return 0;",
        "}",
        "",
        "int main(void) {",
        "    for (int i = 0; i < COLUMNS; i++) printf(\"%8lu\", table[i].value);",
        "    return count(stdin);",
    };
    std::string sample;
    for (const char* line : LINES)
        sample.append(line).append("\r\n");
    std::string text;
    text.reserve(bytes + sample.size());
    do
        text += sample;
    while (text.size() < bytes);
    return text;
}

inline bool copiedWithLargeC(tessel_test::TesselCopy& copy, size_t megabytes) {
    if (!copied(copy))
        return false;
    copy.folder.write(L"large.c", cSource(megabytes << 20));
    return true;
}

} // namespace bench
