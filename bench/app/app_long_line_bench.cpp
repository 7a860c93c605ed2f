// Tessel opening a generated file of one 50 MB line (ASCII words, a space between, a line feed at
// the end) to the first paint of its text; then going to the end of the line (Ctrl+End, Left)
// and typing one character there, timed from the sending of its key to the first capture showing
// the caret's row changed (wherever the character went, and whether or not the view scrolled for
// it); and the peak working set over the whole run, also per MB of file. Beside bare_window.exe
// reading, decoding and painting the same file; runs alternate with it, and each figure is the
// median of three. The character counts as typed once the title shows the document modified;
// when its paint is not seen, its figure is -1 and the program ends with status 1, after the
// other figures (as it does when one of the actions below is not seen).
//
// Then, before the typed character (Left), each timed in the same way from its input to the
// first capture of the row showing its result, each within a frame (16 ms): a double click on the
// line's last word (shown selected; Right then lets it go again), Tab (the user's preferences
// indent with spaces, the dearer way: the caret's column is counted from the line's start) and
// Enter (the view goes back to the start of the line). The steps at the end start once the
// shipped theme colours the text: its paint, coming while they ran, would change the row.
//
// app_long_line_bench [--megabytes 50] [--runs 3]

#include "app/AppBench.h"
#include "app/e2e/ChordInput.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
    // -1: never seen within the limit
    double typePaintMs = -1;
    double doubleClickPaintMs = -1;
    double tabPaintMs = -1;
    double enterPaintMs = -1;
};

// One line of `bytes` bytes (at least two): lower-case words, a space between, and a line feed;
// it ends in a word, for the double click before the typed character.
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
    if (line.back() == ' ')
        line.back() = 'a';
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
bool differ(const Capture& a, const Capture& b, LONG left, LONG right, const std::vector<RECT>& skipped = {}) {
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

// The editor of a running Tessel, driven at the end of its long line: each step waits for what
// it needs, and the timed ones measure from their input to the first capture of the caret's row
// that differs from the one before (the caret's columns, where it was and where it is, only
// blink). A step that does not happen within its limit answers -1 (or false), with what did not
// happen on the error stream.
class AtTheEnd {
public:
    AtTheEnd(const OtherProcess& process, HWND window, HWND editor)
        : m_process(process), m_window(window), m_editor(editor) {}

    // Ctrl+End and Left, then TYPED there: its paint, and the title showing the document modified.
    double typeAtEnd() {
        RECT home = {};
        if (!tessel_test::activate(m_window) || !poll(
                                                   [&] {
                                                       home = tessel_test::caretOf(m_editor);
                                                       return home.bottom > home.top;
                                                   },
                                                   LIMIT_MS))
            return missed("the editor showed no caret");
        m_row = {0, home.top, LONG_MAX, home.bottom};
        const Capture start = Capture::of(m_editor, m_row);
        // Ctrl+End goes past the line feed, to the empty last line; Left comes back before it, to
        // the end of the first. Only the caret back on the first row, elsewhere, is that end.
        RECT caret = {};
        if (!tessel_test::pressChordIn(m_editor, {VK_CONTROL, VK_END}) || !tessel_test::pressChord({VK_LEFT}) ||
            !poll(
                [&] {
                    caret = tessel_test::caretOf(m_editor);
                    return caret.top == home.top && caret.bottom == home.bottom && caret.left != home.left;
                },
                LIMIT_MS))
            return missed("Ctrl+End and Left did not bring the caret to the end of the line");
        // The screen may show the row as it was a while after the caret moved. The columns between
        // the two places of the caret (its blinking inverts its own) change once the end is shown.
        const RECT& leftmost = home.left < caret.left ? home : caret;
        const RECT& rightmost = home.left < caret.left ? caret : home;
        if (!poll([&] { return differ(start, Capture::of(m_editor, m_row), leftmost.right, rightmost.left); }, LIMIT_MS))
            return missed("the view did not show the end of the line");
        // Wherever the character is drawn, and whether or not the view scrolls for it, the row
        // changes.
        const double paintMs = timed([] { return tessel_test::typeKeys(std::wstring(1, TYPED)); }, "the typed character");
        const std::wstring modified = std::wstring(FILE_NAME) + L" * - Tessel";
        if (paintMs >= 0 && !poll([&] { return OtherProcess::windowText(m_window) == modified; }, LIMIT_MS))
            return missed("the title did not show the document modified");
        return paintMs;
    }

    // Left, before the typed character, at the end of the line's last word; the width of a
    // character is how far the caret went.
    bool beforeTheTypedCharacter() {
        const RECT after = tessel_test::caretOf(m_editor);
        if (!tessel_test::pressChord({VK_LEFT}) || !poll(
                                                      [&] {
                                                          m_caret = tessel_test::caretOf(m_editor);
                                                          return m_caret.top == after.top && m_caret.left < after.left;
                                                      },
                                                      LIMIT_MS)) {
            missed("Left did not go back over the typed character");
            return false;
        }
        m_characterWidth = after.left - m_caret.left;
        carets();
        return true;
    }

    // A double click on the last letter of the word before the caret, which shows it selected;
    // then Right lets the selection go and the row is as it was.
    double doubleClickTheLastWord() {
        POINT point = {m_caret.left - m_characterWidth / 2, (m_caret.top + m_caret.bottom) / 2};
        ::ClientToScreen(m_editor, &point);
        const Capture before = shown();
        const double paintMs = timed([&] { return tessel_test::doubleClickAt(point); }, "the double-clicked word");
        if (paintMs < 0)
            return paintMs;
        const auto asBefore = [&] { return !differ(before, shown(), 0, LONG_MAX, carets()); };
        if (!tessel_test::pressChord({VK_RIGHT}) || !poll(asBefore, LIMIT_MS))
            return missed("Right did not let the selected word go");
        return paintMs;
    }

    double press(WORD key, const char* what) {
        return timed([key] { return tessel_test::pressChord({key}); }, what);
    }

private:
    bool poll(const std::function<bool()>& done, DWORD limitMs) const {
        return tessel_test::pollFor([&] { return done() || !m_process.running(); }, limitMs, 1) && m_process.running();
    }
    Capture shown() const { return Capture::of(m_editor, m_row); }
    // The caret's columns wherever it has been seen on the row, and where it is: a capture may
    // show its image where it was a while ago, or not yet where it is.
    std::vector<RECT> carets() {
        m_caret = tessel_test::caretOf(m_editor);
        if (std::none_of(m_carets.begin(), m_carets.end(), [&](const RECT& seen) { return seen.left == m_caret.left; }))
            m_carets.push_back(m_caret);
        return m_carets;
    }
    // Milliseconds from `send` to the first capture of the row that differs from the one before.
    double timed(const std::function<bool()>& send, const char* what) {
        carets();
        const Capture before = shown();
        const double sent = bench::seconds();
        if (!send())
            return missed((std::string(what) + "'s input could not be sent").c_str());
        if (!poll([&] { return differ(before, shown(), 0, LONG_MAX, carets()); }, TYPE_LIMIT_MS))
            return missed((std::string(what) + " was not drawn").c_str(), TYPE_LIMIT_MS);
        const double paintMs = (bench::seconds() - sent) * 1000;
        carets();
        return paintMs;
    }

    const OtherProcess& m_process;
    HWND m_window;
    HWND m_editor;
    RECT m_row = {};
    RECT m_caret = {};
    std::vector<RECT> m_carets;
    LONG m_characterWidth = 0;
};

// One start of Tessel on the file: its first paint, the character typed at the end, the actions
// before it, and the peak working set by then. The process is ended afterwards: closing the modified document would
// ask whether to save it, and the copy's user folder is thrown away anyway.
LongLineRun longLineRun(tessel_test::TesselCopy& copy, int run) {
    // Tab indents with spaces: the caret's column is then counted, from the line's start.
    copy.freshUserFolder(true, L"soft-tabs-" + std::to_wstring(run), "app.indentation.recent : { soft : true size : 4 } ");
    LongLineRun result;
    const double start = bench::seconds();
    OtherProcess process(copy.program(), FILE_NAME, copy.folder.path);
    HWND window = nullptr;
    static_cast<bench::StartTiming&>(result) =
        bench::firstPaint(process, start, bench::TESSEL_WINDOW, bench::TESSEL_EDITOR, false, LIMIT_MS, &window);
    const HWND editor = window ? OtherProcess::findChild(window, bench::TESSEL_EDITOR) : nullptr;
    if (result.firstPaintMs < 0 || !editor) {
        missed("Tessel did not show the file");
    } else if (!bench::showsTheme(editor, LIMIT_MS)) {
        missed("the shipped theme did not colour the file");
    } else {
        AtTheEnd end(process, window, editor);
        result.typePaintMs = end.typeAtEnd();
        if (result.typePaintMs >= 0 && end.beforeTheTypedCharacter()) {
            result.doubleClickPaintMs = end.doubleClickTheLastWord();
            if (result.doubleClickPaintMs >= 0)
                result.tabPaintMs = end.press(VK_TAB, "Tab");
            if (result.tabPaintMs >= 0)
                result.enterPaintMs = end.press(VK_RETURN, "Enter");
        }
    }
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
    int run = 0;
    const Runs runs = bench::alternateWith(copy, FILE_NAME, bench::runs(static_cast<int>(options.number("--runs", 3))),
                                           LIMIT_MS, [&] { return longLineRun(copy, ++run); });
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
    bool reached = typeMs >= 0;
    const std::pair<const char*, double LongLineRun::*> actions[] = {
        {"double_click_at_end_paint_ms", &LongLineRun::doubleClickPaintMs},
        {"tab_at_end_paint_ms", &LongLineRun::tabPaintMs},
        {"enter_at_end_paint_ms", &LongLineRun::enterPaintMs}};
    for (const auto& action : actions) {
        const double ms = bench::median(Runs::of(runs.tessel, action.second));
        bench::startFigure(name + action.first, ms, "ms");
        reached = reached && ms >= 0;
    }
    bench::startFigure(name + "peak_working_set_mb", peak, "MB", "bare_window", barePeak);
    const double size = static_cast<double>(bytes) / (1 << 20);
    if (barePeak > 0)
        bench::figure(("bare_window_" + name + "peak_working_set_vs_file_size").c_str(), barePeak / size, "ratio");
    if (peak > 0)
        bench::figureTarget((name + "peak_working_set_vs_file_size").c_str(), peak / size, "ratio", "at most 2.8");
    return reached ? 0 : 1;
}
