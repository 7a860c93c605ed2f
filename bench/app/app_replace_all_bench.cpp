// Replace All in Tessel.exe on one line of 4,000,000 characters: minified-JSON-like records with
// no blanks, each holding "xyz" once, replaced with "XYZW" (173,913 matches), with word wrap on
// and off; and on the same records one per line, wrapped. Each figure runs from the Enter that
// starts the replacement in the Replace dialog until the window answers messages again: the
// dialog is gone, the title shows the document modified and the editor answers a message. The
// figures are medians of three starts, beside the ratios of the wrapped line to the unwrapped
// one and to the records one per line.
//
// app_replace_all_bench [--characters 4000000] [--runs 3]

#include "app/AppBench.h"
#include "app/e2e/ChordInput.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using tessel_test::OtherProcess;

constexpr DWORD LIMIT_MS = 600000;
constexpr DWORD STEP_MS = 30000;
// The short mode's line is still four of the layout's pieces.
constexpr size_t SMOKE_CHARACTERS = 64 << 10;
const std::wstring FIND = L"xyz";
const std::wstring REPLACEMENT = L"XYZW";

// Records of 23 characters ({"id":12345,"k":"xyz"},) up to `characters`, one line with a line
// feed at its end, or one record a line.
std::string records(size_t characters, bool onePerLine) {
    std::string text;
    text.reserve(characters + characters / 16);
    char record[32];
    for (unsigned id = 0; text.size() + 23 <= characters; ++id) {
        std::snprintf(record, sizeof record, "{\"id\":%05u,\"k\":\"xyz\"},", id % 100000);
        text += record;
        if (onePerLine)
            text += '\n';
    }
    if (!onePerLine)
        text += '\n';
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

// Opens the Replace dialog with Ctrl+H in the editor, types the pattern and its replacement and
// presses Enter (Replace All); milliseconds from that Enter until the window answers again with
// the document modified, or -1.
double replaceAll(const OtherProcess& process, HWND window, HWND editor, const std::wstring& file) {
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
    if (!tessel_test::typeKeys(FIND) || !tessel_test::pressChord({VK_TAB}) || !tessel_test::typeKeys(REPLACEMENT))
        return missed("the fields were not typed");
    if (!poll([&] { return OtherProcess::windowText(field) == FIND; }, STEP_MS))
        return missed("the find field did not show the pattern");
    const double sent = bench::seconds();
    if (!tessel_test::pressChord({VK_RETURN}))
        return missed("Enter was not sent");
    const std::wstring modified = file + L" * - Tessel";
    const auto answered = [&] {
        return !::IsWindow(dialog) && answers(window, LIMIT_MS) && OtherProcess::windowText(window) == modified;
    };
    if (!poll(answered, LIMIT_MS))
        return missed("the replacement did not end within the limit");
    return (bench::seconds() - sent) * 1000;
}

// One start of Tessel on the file with the editor's face given, the Replace All timed in it once the file
// shows (its text drawn: wrapped, the line highlighted as the caret's fills the window, so the
// first paint is not told by a white background). The process is ended as it goes out of scope:
// closing the modified document would ask whether to save it.
double replaceAllRun(tessel_test::TesselCopy& copy, const std::wstring& file, const std::string& face) {
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
    return replaceAll(process, window, editor, file);
}

// The median of `runs` starts.
double medianRun(tessel_test::TesselCopy& copy, const std::wstring& file, const std::string& face, int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(replaceAllRun(copy, file, face));
    return bench::median(times);
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const size_t characters =
        bench::smoke() ? SMOKE_CHARACTERS : static_cast<size_t>(options.number("--characters", 4000000));
    const int runs = bench::runs(static_cast<int>(options.number("--runs", 3)));
    tessel_test::TesselCopy copy;
    if (!bench::copied(copy))
        return 2;
    const std::wstring line = L"line.txt", lines = L"lines.txt";
    copy.folder.write(line, records(characters, false));
    copy.folder.write(lines, records(characters, true));
    const double wrapped = medianRun(copy, line, "word_wrap : true", runs);
    const double unwrapped = medianRun(copy, line, "word_wrap : false", runs);
    const double perLine = medianRun(copy, lines, "word_wrap : true", runs);
    const std::string name = "replace_all_" + (characters >= 1000000 ? std::to_string(characters / 1000000) + "m"
                                                                     : std::to_string(characters / 1000) + "k");
    bench::startFigure(name + "_line_unwrapped_ms", unwrapped, "ms");
    bench::startFigure(name + "_records_per_line_wrapped_ms", perLine, "ms");
    bench::startFigure(name + "_line_wrapped_ms", wrapped, "ms");
    if (wrapped > 0 && unwrapped > 0)
        bench::figureTarget((name + "_line_wrapped_vs_unwrapped").c_str(), wrapped / unwrapped, "ratio", "at most 2");
    if (wrapped > 0 && perLine > 0)
        bench::figure((name + "_line_wrapped_vs_records_per_line").c_str(), wrapped / perLine, "ratio");
    return wrapped < 0 || unwrapped < 0 || perLine < 0 ? 1 : 0;
}
