// Replace All in Tessel.exe, from the Enter that starts it in the Replace dialog until it is
// over: the dialog is gone and the title shows the document modified. Figures are medians of
// starts of their own.
//
// - Records: one line of 4,000,000 characters of minified-JSON-like records with no blanks, each
//   holding "xyz" once, replaced with "XYZW" (173,913 matches), with word wrap on and off; and
//   the same records one per line, wrapped; beside the ratios of the wrapped line to the
//   unwrapped one and to the records one per line.
// - Dense: every character matched, the regular expression "." replaced with "x", on one line
//   of 1,200,000 characters and on the same characters in lines of ten records (230 characters),
//   the two taking turns; replace_all_one_line_vs_lines is the one line's time over the lines'.
// - Answering: 100 MB in 2,000,000 lines of 50 bytes, each holding "needle" once, replaced with
//   "pin"; while it runs another thread sends the window a message after each answer, and
//   replace_all_unanswered_ms is the longest the window took to answer one, in any run.
//
// app_replace_all_bench [--characters 4000000] [--dense-characters 1200000] [--megabytes 100]
//                       [--runs 3]
// A size of 0 leaves its part out.

#include "app/AppBench.h"
#include "app/e2e/ChordInput.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using tessel_test::OtherProcess;

constexpr DWORD LIMIT_MS = 600000;
constexpr DWORD STEP_MS = 30000;
// The short mode's line is still four of the layout's pieces.
constexpr size_t SMOKE_CHARACTERS = 64 << 10;
// The short mode's needles: a megabyte.
constexpr size_t SMOKE_MEGABYTES = 1;

// What the dialog is given.
struct Replacement {
    std::wstring find;
    std::wstring with;
    bool regex;
};
const Replacement RECORDS = {L"xyz", L"XYZW", false};
const Replacement DENSE = {L".", L"x", true};
const Replacement NEEDLES = {L"needle", L"pin", false};

// Records of 23 characters ({"id":12345,"k":"xyz"},) up to `characters`: a line feed after every
// `perLine` of them, or only at the end with 0.
std::string records(size_t characters, size_t perLine) {
    std::string text;
    text.reserve(characters + characters / 16);
    char record[32];
    for (unsigned id = 0; text.size() + 23 <= characters; ++id) {
        std::snprintf(record, sizeof record, "{\"id\":%05u,\"k\":\"xyz\"},", id % 100000);
        text += record;
        if (perLine && (id + 1) % perLine == 0)
            text += '\n';
    }
    if (text.empty() || text.back() != '\n')
        text += '\n';
    return text;
}

// Lines of 50 bytes, each holding "needle" once.
std::string needles(size_t lines) {
    std::string text;
    text.reserve(lines * 50);
    char line[64];
    for (size_t i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%08u a needle in the haystack of line records\n", static_cast<unsigned>(i));
        text += line;
    }
    return text;
}

// -1, with what did not happen on the error stream.
double missed(const char* what) {
    std::fprintf(stderr, "replace all: %s\n", what);
    return -1;
}

// Whether the window's thread answers a message within the limit.
bool answers(HWND window, DWORD limitMs) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, limitMs, &result) != 0;
}

// Sends the window one message after another while it lives, keeping the longest wait for an
// answer.
class Pinger {
public:
    explicit Pinger(HWND window) : m_thread([this, window] {
        while (!m_stop) {
            const double sent = bench::seconds();
            answers(window, LIMIT_MS);
            const double waited = (bench::seconds() - sent) * 1000;
            if (waited > m_longest)
                m_longest = waited;
            ::Sleep(1);
        }
    }) {}
    ~Pinger() { stop(); }
    double stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_longest;
    }

private:
    std::atomic<bool> m_stop{false};
    double m_longest = 0; // written by the thread, read once it ended
    std::thread m_thread;
};

// The dialog's check box whose caption is `caption`, or null.
HWND checkBox(HWND dialog, const std::wstring& caption) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (OtherProcess::windowText(child) == caption)
            return child;
    return nullptr;
}

bool isChecked(HWND box) {
    DWORD_PTR state = 0;
    return ::SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, STEP_MS, &state) && state == BST_CHECKED;
}

// Opens the Replace dialog with Ctrl+H in the editor, types the pattern and its replacement and
// presses Enter (Replace All); milliseconds from that Enter until it is over with the document
// modified, or -1. With `longest`, the longest wait for an answer from the window meanwhile.
double replaceAll(const OtherProcess& process, HWND window, HWND editor, const std::wstring& file,
                  const Replacement& replacement, double* longest) {
    const auto poll = [&](const std::function<bool()>& done, DWORD limitMs) {
        return tessel_test::pollFor([&] { return done() || !process.running(); }, limitMs, 1) && process.running();
    };
    if (!tessel_test::pressChordIn(editor, {VK_CONTROL, 'H'}))
        return missed("Ctrl+H was not sent");
    HWND dialog = nullptr;
    if (!poll(
            [&] {
                for (HWND box : OtherProcess::findTopLevel(L"afMessageBox", process.processId()))
                    if (box && OtherProcess::windowText(box) == L"Replace")
                        dialog = box;
                return dialog != nullptr;
            },
            STEP_MS))
        return missed("no Replace dialog came");
    HWND field = OtherProcess::findChild(dialog, L"Edit");
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
    if (!field || !tessel_test::activate(dialog) ||
        !poll([&] { return ::GetGUIThreadInfo(thread, &info) && info.hwndFocus == field; }, STEP_MS))
        return missed("the dialog's find field did not take the keys");
    // The find field's text is selected: typing replaces it. The replacement's field is empty in a
    // fresh user folder.
    if (!tessel_test::typeKeys(replacement.find) || !tessel_test::pressChord({VK_TAB}) ||
        !tessel_test::typeKeys(replacement.with))
        return missed("the fields were not typed");
    if (!poll([&] { return OtherProcess::windowText(field) == replacement.find; }, STEP_MS))
        return missed("the find field did not show the pattern");
    if (replacement.regex) {
        // The box keeps the keys after its mnemonic; Enter still reaches the default button.
        HWND box = checkBox(dialog, L"Regular e&xpression");
        if (!box || !tessel_test::pressChordIn(dialog, {VK_MENU, 'X'}) || !poll([&] { return isChecked(box); }, STEP_MS))
            return missed("the regular expression box was not checked");
    }
    std::unique_ptr<Pinger> pinger(longest ? new Pinger(window) : nullptr);
    const double sent = bench::seconds();
    if (!tessel_test::pressChord({VK_RETURN}))
        return missed("Enter was not sent");
    const std::wstring modified = file + L" * - Tessel";
    const auto over = [&] {
        return !::IsWindow(dialog) && answers(window, LIMIT_MS) && OtherProcess::windowText(window) == modified;
    };
    if (!poll(over, LIMIT_MS))
        return missed("the replacement did not end within the limit");
    const double elapsed = (bench::seconds() - sent) * 1000;
    if (pinger)
        *longest = pinger->stop();
    return elapsed;
}

// One start of Tessel on the file with the editor's face given, the Replace All timed in it once the file
// shows (its text drawn: wrapped, the line highlighted as the caret's fills the window, so the
// first paint is not told by a white background). The process is ended as it goes out of scope:
// closing the modified document would ask whether to save it.
double replaceAllRun(tessel_test::TesselCopy& copy, const std::wstring& file, const std::string& face,
                     const Replacement& replacement, double* longest = nullptr) {
    copy.freshUserFolder(true, L"", "app.editor.face : { " + face + " } ");
    OtherProcess process(copy.program(), file, copy.folder.path);
    HWND window = nullptr, editor = nullptr;
    const bool shown = tessel_test::pollFor(
        [&] {
            window = window ? window : process.findWindow(bench::TESSEL_WINDOW);
            editor = window ? OtherProcess::findChild(window, bench::TESSEL_EDITOR) : nullptr;
            return (editor && OtherProcess::windowText(window) == file + L" - Tessel" &&
                    tessel_test::Capture::of(editor).count(0x1F1F1F, 0x40) >= bench::TEXT_PIXELS) ||
                   !process.running();
        },
        LIMIT_MS, 2);
    if (!shown || !process.running())
        return missed("Tessel did not show the file");
    return replaceAll(process, window, editor, file, replacement, longest);
}

// The median of `runs` starts.
double medianRun(tessel_test::TesselCopy& copy, const std::wstring& file, const std::string& face,
                 const Replacement& replacement, int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(replaceAllRun(copy, file, face, replacement));
    return bench::median(times);
}

std::string sizeName(size_t characters) {
    return characters >= 1000000 ? std::to_string(characters / 1000000) + "m" : std::to_string(characters / 1000) + "k";
}

// The records' figures; false when a run missed its figure.
bool recordsPart(tessel_test::TesselCopy& copy, size_t characters, int runs) {
    const std::wstring line = L"line.txt", lines = L"lines.txt";
    copy.folder.write(line, records(characters, 0));
    copy.folder.write(lines, records(characters, 1));
    const double wrapped = medianRun(copy, line, "word_wrap : true", RECORDS, runs);
    const double unwrapped = medianRun(copy, line, "word_wrap : false", RECORDS, runs);
    const double perLine = medianRun(copy, lines, "word_wrap : true", RECORDS, runs);
    const std::string name = "replace_all_" + sizeName(characters);
    bench::startFigure(name + "_line_unwrapped_ms", unwrapped, "ms");
    bench::startFigure(name + "_records_per_line_wrapped_ms", perLine, "ms");
    bench::startFigure(name + "_line_wrapped_ms", wrapped, "ms");
    if (wrapped > 0 && unwrapped > 0)
        bench::figureTarget((name + "_line_wrapped_vs_unwrapped").c_str(), wrapped / unwrapped, "ratio", "at most 2");
    if (wrapped > 0 && perLine > 0)
        bench::figure((name + "_line_wrapped_vs_records_per_line").c_str(), wrapped / perLine, "ratio");
    return wrapped >= 0 && unwrapped >= 0 && perLine >= 0;
}

// Every character replaced, on one line and over lines, unwrapped.
bool densePart(tessel_test::TesselCopy& copy, size_t characters, int runs) {
    const std::wstring line = L"dense-line.txt", lines = L"dense-lines.txt";
    copy.folder.write(line, records(characters, 0));
    copy.folder.write(lines, records(characters, 10));
    // Taking turns, so that a busy moment of the machine weighs on both alike.
    std::vector<double> lineTimes, linesTimes;
    for (int run = 0; run < runs; ++run) {
        lineTimes.push_back(replaceAllRun(copy, line, "word_wrap : false", DENSE));
        linesTimes.push_back(replaceAllRun(copy, lines, "word_wrap : false", DENSE));
    }
    const double oneLine = bench::median(lineTimes);
    const double overLines = bench::median(linesTimes);
    const std::string name = "replace_all_dense_" + sizeName(characters);
    bench::startFigure(name + "_line_ms", oneLine, "ms");
    bench::startFigure(name + "_lines_ms", overLines, "ms");
    if (oneLine > 0 && overLines > 0)
        bench::figure("replace_all_one_line_vs_lines", oneLine / overLines, "ratio");
    return oneLine >= 0 && overLines >= 0;
}

// The longest wait for an answer while 2,000,000 matches in 100 MB are replaced, in any run.
bool answeringPart(tessel_test::TesselCopy& copy, size_t lines, int runs) {
    const std::wstring file = L"needles.txt";
    copy.folder.write(file, needles(lines));
    std::vector<double> times, longest;
    for (int run = 0; run < runs; ++run) {
        double waited = -1;
        times.push_back(replaceAllRun(copy, file, "word_wrap : false", NEEDLES, &waited));
        longest.push_back(times.back() < 0 ? -1 : waited);
    }
    const std::string name = "replace_all_" + sizeName(lines * 50) + "b";
    bench::startFigure(name + "_ms", bench::median(times), "ms");
    const double worst = *std::min_element(longest.begin(), longest.end()) < 0
                             ? -1
                             : *std::max_element(longest.begin(), longest.end());
    bench::figure("replace_all_unanswered_ms", worst, "ms");
    return worst >= 0;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const auto size = [&](const char* name, double fallback, size_t smoke) {
        const double asked = options.number(name, fallback);
        return asked <= 0 ? size_t(0) : bench::smoke() ? smoke : static_cast<size_t>(asked);
    };
    const size_t characters = size("--characters", 4000000, SMOKE_CHARACTERS);
    const size_t dense = size("--dense-characters", 1200000, SMOKE_CHARACTERS);
    const size_t needleLines = size("--megabytes", 100, SMOKE_MEGABYTES) * 1000000 / 50;
    const int runs = bench::runs(static_cast<int>(options.number("--runs", 3)));
    tessel_test::TesselCopy copy;
    if (!bench::copied(copy))
        return 2;
    bool ran = true;
    if (characters)
        ran = recordsPart(copy, characters, runs) && ran;
    if (dense)
        ran = densePart(copy, dense, runs) && ran;
    if (needleLines)
        ran = answeringPart(copy, needleLines, runs) && ran;
    return ran ? 0 : 1;
}
