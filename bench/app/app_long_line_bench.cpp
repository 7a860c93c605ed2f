// Tessel opening a generated file of one 50 MB line (ASCII words, a space between, a line feed at
// the end) to the first paint of its text; then going to the end of the line (Ctrl+End, Left)
// and typing one character there, timed from the sending of its key to the first capture showing
// the caret's row changed (wherever the character went, and whether or not the view scrolled for
// it); and the peak working set over the whole run, also per MB of file. Beside bare_window.exe
// reading, decoding and painting the same file; runs alternate with it, and each figure is the
// median of three. The character counts as typed once the title shows the document modified;
// when its paint is not seen, its figure is -1 and the program ends with status 1, after the
// other figures.
//
// app_long_line_bench [--megabytes 50] [--runs 3]

#include "app/AppBench.h"
#include "app/e2e/UserInput.h"

#include <climits>
#include <functional>
#include <initializer_list>
#include <string>

namespace {

using tessel_test::Capture;
using tessel_test::OtherProcess;

constexpr DWORD LIMIT_MS = 120000;
// A character that takes longer to show is as good as lost.
constexpr DWORD TYPE_LIMIT_MS = 60000;
constexpr const wchar_t* FILE_NAME = L"long.txt";
constexpr size_t SMOKE_BYTES = 64 << 10;
// In no word of the line (lower-case letters only), so that the row looks different once it is
// drawn, wherever it goes.
constexpr wchar_t TYPED = L'#';

struct LongLineRun : bench::StartTiming {
    double typePaintMs = -1; // -1: never seen within the limit
};

// One line of `bytes` bytes (at least two): lower-case words, a space between, and a line feed.
std::string wordsLine(size_t bytes) {
    static const char* const WORDS[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf",
                                        "hotel", "india", "juliet", "kilo",  "lima", "mike",    "november",
                                        "oscar", "papa",  "quebec", "romeo"};
    constexpr size_t COUNT = sizeof WORDS / sizeof *WORDS;
    std::string line;
    line.reserve(bytes + 16);
    // A step prime to the count, so that neighbours vary as in prose.
    for (size_t word = 0; line.size() + 1 < bytes; word += 7)
        line.append(WORDS[word % COUNT]).append(1, ' ');
    line.resize(bytes < 2 ? 1 : bytes - 1);
    return line + '\n';
}

// -1, with what did not happen on the error stream.
double missed(const char* what, DWORD limitMs = LIMIT_MS) {
    std::fprintf(stderr, "long line: %s within %lu s\n", what, limitMs / 1000);
    return -1;
}

// "50mb", or "64kb" for a file of less than a megabyte (the short mode's).
std::string sizeName(size_t bytes) {
    return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + "mb" : std::to_string(bytes >> 10) + "kb";
}

// Whether two captures of one band differ in a column from `left` to `right` that no rectangle
// of `skipped` spans.
bool differ(const Capture& a, const Capture& b, LONG left, LONG right, std::initializer_list<RECT> skipped = {}) {
    if (a.width != b.width || a.height != b.height)
        return true;
    for (LONG x = left < 0 ? 0 : left; x < right && x < a.width; ++x) {
        bool skip = false;
        for (const RECT& rect : skipped)
            skip = skip || (x >= rect.left && x < rect.right);
        for (int y = 0; y < a.height && !skip; ++y)
            if (a.at(x, y) != b.at(x, y))
                return true;
    }
    return false;
}

// Ctrl+End and Left in the editor, and TYPED after them; milliseconds from the sending of TYPED's
// key to the first capture of the caret's row that differs from the one before; -1 when a step
// did not happen within its limit or the title never showed the document modified.
double typeAtEnd(const OtherProcess& process, HWND window, HWND editor) {
    const auto poll = [&](const std::function<bool()>& done, DWORD limitMs) {
        return tessel_test::pollFor([&] { return done() || !process.running(); }, limitMs, 1) && process.running();
    };
    RECT home = {};
    if (!tessel_test::activate(window) || !poll(
                                              [&] {
                                                  home = tessel_test::caretOf(editor);
                                                  return home.bottom > home.top;
                                              },
                                              LIMIT_MS))
        return missed("the editor showed no caret");
    const RECT row = {0, home.top, LONG_MAX, home.bottom};
    const Capture start = Capture::of(editor, row);
    // Ctrl+End goes past the line feed, to the empty last line; Left comes back before it, to the
    // end of the first. Only the caret back on the first row, elsewhere, is that end.
    RECT caret = {};
    if (!tessel_test::pressChordIn(editor, {VK_CONTROL, VK_END}) || !tessel_test::pressChord({VK_LEFT}) ||
        !poll(
            [&] {
                caret = tessel_test::caretOf(editor);
                return caret.top == home.top && caret.bottom == home.bottom && caret.left != home.left;
            },
            LIMIT_MS))
        return missed("Ctrl+End and Left did not bring the caret to the end of the line");
    // The screen may show the row as it was a while after the caret moved. The columns between the
    // two places of the caret (its blinking inverts its own) change once the end is shown.
    const RECT& leftmost = home.left < caret.left ? home : caret;
    const RECT& rightmost = home.left < caret.left ? caret : home;
    if (!poll([&] { return differ(start, Capture::of(editor, row), leftmost.right, rightmost.left); }, LIMIT_MS))
        return missed("the view did not show the end of the line");
    const Capture end = Capture::of(editor, row);
    const double sent = bench::seconds();
    if (!tessel_test::typeKeys(std::wstring(1, TYPED)))
        return missed("the character's key could not be sent");
    // Wherever the character is drawn, and whether or not the view scrolls for it, the row
    // changes; the caret's columns, where it was and where it is, only blink.
    if (!poll(
            [&] {
                const RECT now = tessel_test::caretOf(editor);
                const Capture shown = Capture::of(editor, row);
                return differ(end, shown, 0, LONG_MAX, {caret, now, tessel_test::caretOf(editor)});
            },
            TYPE_LIMIT_MS))
        return missed("the typed character was not drawn", TYPE_LIMIT_MS);
    const double paintMs = (bench::seconds() - sent) * 1000;
    const std::wstring modified = std::wstring(FILE_NAME) + L" * - Tessel";
    if (!poll([&] { return OtherProcess::windowText(window) == modified; }, LIMIT_MS))
        return missed("the title did not show the document modified");
    return paintMs;
}

// One start of Tessel on the file: its first paint, the character typed at the end, and the
// peak working set by then. The process is ended afterwards: closing the modified document would
// ask whether to save it, and the copy's user folder is thrown away anyway.
LongLineRun longLineRun(const tessel_test::TesselCopy& copy) {
    LongLineRun result;
    const double start = bench::seconds();
    OtherProcess process(copy.program(), FILE_NAME, copy.folder.path);
    HWND window = nullptr;
    static_cast<bench::StartTiming&>(result) =
        bench::firstPaint(process, start, bench::TESSEL_WINDOW, bench::TESSEL_EDITOR, false, LIMIT_MS, &window);
    const HWND editor = window ? OtherProcess::findChild(window, bench::TESSEL_EDITOR) : nullptr;
    if (result.firstPaintMs < 0 || !editor)
        missed("Tessel did not show the file");
    else
        result.typePaintMs = typeAtEnd(process, window, editor);
    result.peakWorkingSetMb = bench::workingSetOf(process.handle()).peakMb;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    // The short mode's line of 64 KB is still four of the layout's pieces: it checks that the
    // benchmark runs and the character shows, quickly.
    const size_t bytes =
        bench::smoke() ? SMOKE_BYTES : static_cast<size_t>(options.number("--megabytes", 50) * (1 << 20));
    tessel_test::TesselCopy copy;
    if (!bench::copied(copy))
        return 2;
    copy.folder.write(FILE_NAME, wordsLine(bytes));
    using Runs = bench::RunsBeside<LongLineRun>;
    const Runs runs = bench::alternateWith(copy, FILE_NAME, bench::runs(static_cast<int>(options.number("--runs", 3))),
                                           LIMIT_MS, [&] { return longLineRun(copy); });
    const std::string name = "long_line_" + sizeName(bytes) + "_";
    const double bareMs = bench::median(Runs::of(runs.bare, &bench::StartTiming::firstPaintMs));
    const double barePeak = bench::median(Runs::of(runs.bare, &bench::StartTiming::peakWorkingSetMb));
    const double typeMs = bench::median(Runs::of(runs.tessel, &LongLineRun::typePaintMs));
    const double peak = bench::median(Runs::of(runs.tessel, &LongLineRun::peakWorkingSetMb));
    bench::startFigure("bare_window_" + name + "first_paint_ms", bareMs, "ms");
    bench::startFigure("bare_window_" + name + "peak_working_set_mb", barePeak, "MB");
    bench::startFigure(name + "first_paint_ms", bench::median(Runs::of(runs.tessel, &LongLineRun::firstPaintMs)),
                       "ms", "bare_window", bareMs);
    bench::startFigure(name + "type_at_end_paint_ms", typeMs, "ms");
    bench::startFigure(name + "peak_working_set_mb", peak, "MB", "bare_window", barePeak);
    const double size = static_cast<double>(bytes) / (1 << 20);
    if (barePeak > 0)
        bench::figure(("bare_window_" + name + "peak_working_set_vs_file_size").c_str(), barePeak / size, "ratio");
    if (peak > 0)
        bench::figureTarget((name + "peak_working_set_vs_file_size").c_str(), peak / size, "ratio", "at most 2.8");
    return typeMs < 0 ? 1 : 0;
}
