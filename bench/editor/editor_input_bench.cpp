// Typing and word moves in a shown editor: WM_CHAR at line 10 000 of a 20 000-line document,
// each pumped until repainted (median and 99th percentile), beside the same characters through
// DocumentController::typeText with UpdateWindow, a bare Document::insert in its own change,
// and the bare Uniscribe drawing of the line; then Ctrl+Right in one long line of words and
// punctuation at its start, middle and end, beside a bare scan for the same stops.

#include "EditorBenchSupport.h"
#include "editor/EditorCaretMoves.h"
#include "pel/base/CharacterProperties.h"
#include "service/document/controller/Selection.h"

#include <algorithm>

using namespace tessel;
using namespace editor_bench;

namespace {

double percentile(std::vector<double> samples, double p) {
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, static_cast<size_t>(p * samples.size()))];
}

void placeCaret(DocumentController& controller, const TextPosition& at) {
    DocumentController::Lock lock(controller, DocumentController::LOCK_READ);
    controller.getSelection().set(at, at, CARET_ANCHOR, selection_ids::CARET);
}

template <class Step> std::vector<double> timed(int count, Step step) {
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double start = bench::seconds();
        step(i);
        samples.push_back((bench::seconds() - start) * 1e6);
    }
    return samples;
}

bool isStop(wchar_t previous, wchar_t c) {
    const uint32_t a = pel::getCharacterProperties(previous) & pel::CHARACTER_WORD;
    const uint32_t b = pel::getCharacterProperties(c) & pel::CHARACTER_WORD;
    return a != b || (!b && c != L' ');
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int keys = static_cast<int>(options.size("--keys", 10000));
    const int longLine = static_cast<int>(options.size("--line", 1000000));
    Fixture f(true);
    HWND window = f.editor->getHandle();
    HFONT font = afUnicodeFontManager::instance().fontFor(*afUnicodeFontManager::instance().getEditorFontSet(), 0,
                                                          AF_LAST_FONT)->font;

    // Each way of typing starts from the same document, so all three type into a line that
    // grows the same way and scroll the same way.
    const auto fresh = [&] {
        DocumentController* controller = f.open(lines(20000, 60));
        f.editor->attachController(controller);
        f.sizeEditor();
        placeCaret(*controller, TextPosition(10000, 5));
        pump(window);
        return controller;
    };
    DocumentController* typed = fresh();
    const std::vector<double> viaChar = timed(keys, [&](int i) {
        ::SendMessageW(window, WM_CHAR, L'a' + i % 26, 1);
        pump(window);
    });
    DocumentController* controlled = fresh();
    const std::vector<double> viaController = timed(keys, [&](int i) {
        const wchar_t c = static_cast<wchar_t>(L'a' + i % 26);
        {
            DocumentController::Lock lock(*controlled, DocumentController::LOCK_EDIT);
            controlled->typeText(&c, 1);
        }
        ::UpdateWindow(window);
    });
    Document& document = fresh()->getDocument();
    const std::vector<double> bareInsert = timed(keys, [&](int i) {
        const wchar_t c = static_cast<wchar_t>(L'a' + i % 26);
        DocumentLockHold lock(document);
        document.beginChange(0, true);
        document.insert(document.getLineStart(10000) + 5, 1, &c);
        document.endChange();
    });
    std::wstring lineText;
    typed->getLine(10000, &lineText);
    const double bareDraw = bench::bestOf(50, [&] { bareRows(window, font, {lineText}, 16); }) * 1e6;
    const double median = percentile(viaChar, 0.5), p99 = percentile(viaChar, 0.99);
    print("wm_char_median", median, "us");
    print("wm_char_p99", p99, "us");
    print("controller_typetext_median", percentile(viaController, 0.5), "us");
    print("wm_char_vs_controller", median / percentile(viaController, 0.5), "x");
    print("bare_insert_median", percentile(bareInsert, 0.5), "us");
    print("bare_uniscribe_line", bareDraw, "us");
    print("wm_char_vs_bare_uniscribe", median / bareDraw, "x");

    // Ctrl+Right in one long line.
    std::wstring words;
    words.reserve(static_cast<size_t>(longLine));
    for (int i = 0; static_cast<int>(words.size()) < longLine; ++i)
        words += (i % 3 == 0) ? L"alpha.beta " : (i % 3 == 1) ? L"gamma_delta, " : L"(epsilon) ";
    words.resize(static_cast<size_t>(longLine));
    DocumentController* wide = f.open(words);
    const double layoutStart = bench::seconds();
    f.editor->attachController(wide);
    f.paintAll();
    print("long_line_first_layout", (bench::seconds() - layoutStart) * 1e3, "ms");
    const struct {
        const char* name;
        int32_t offset;
    } places[] = {{"start", 0}, {"middle", longLine / 2}, {"end", longLine - 2000}};
    double startPress = 0;
    for (const auto& place : places) {
        placeCaret(*wide, TextPosition(0, place.offset));
        const double perPress = bench::bestOf(1, [&] {
            for (int i = 0; i < 1000; ++i) {
                runCaretCommand(*f.editor, selection_ids::CARET, MOVE_WORD_RIGHT, 0);
                ::UpdateWindow(window);
            }
        }) * 1e3;
        if (place.offset == 0)
            startPress = perPress;
        else if (place.offset > longLine / 2)
            print("ctrl_right_end_vs_start", perPress / startPress, "x");
        print((std::string("ctrl_right_") + place.name).c_str(), perPress, "us");
    }
    int32_t stops = 0;
    const double scan = bench::bestOf(5, [&] {
        stops = 0;
        for (size_t i = 1; i < words.size(); ++i)
            stops += isStop(words[i - 1], words[i]) ? 1 : 0;
    });
    print("bare_stop_scan_per_stop", scan * 1e6 / std::max(stops, 1), "us");
    f.editor->attachController(nullptr);
    return 0;
}
