// A line of 2,100,000 characters (a minified file's line: over a hundred of the pieces the
// editor lays out at a time) in Tessel.exe as a user meets it, with word wrap off and on: its end reached with Ctrl+End and Left, or with
// Home and End, and a word far into it found with the Find dialog, each shown on the screen and
// edited where it is; and a word of minified code that the editor's pieces part, deleted whole.
// What the screen shows before the caret is compared with how a file of short lines shows the
// same text before its caret; the saved bytes tell where the edits went.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace tessel_test {
namespace {

constexpr size_t LENGTH = 2100000;     // characters of the long line, its line feed left out
constexpr size_t NEEDLE_AT = 2000000;  // where the word to find starts in it
const std::string MARKER = "ENDMARK";  // the line's last word
const std::string TYPED = "TYPED";     // what is typed at its end
const std::string NEEDLE = "NEEDLEWORD"; // the word to find, nowhere else in the line

// One line of `length` characters, lowercase words and blanks, the marker its last word and, at
// `needleAt` when given, the needle as a word of its own; then a line feed.
std::string wordsLine(size_t length, size_t needleAt = std::string::npos) {
    static const std::string words = "lorem ipsum dolor sit amet ";
    std::string line;
    line.reserve(length + 1);
    while (line.size() < length)
        line += words;
    line.resize(length - MARKER.size() - 1);
    if (line.back() == ' ')
        line.back() = 'x';
    line += " " + MARKER;
    if (needleAt != std::string::npos)
        line.replace(needleAt - 1, NEEDLE.size() + 2, " " + NEEDLE + " ");
    return line + "\n";
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool samePixels(const Capture& a, const Capture& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// Whether the saved bytes are the expected ones; else where they first differ, with a few
// characters of each from there (the texts are too long to print whole).
testing::AssertionResult sameText(const std::string& expected, const std::string& saved) {
    if (expected == saved)
        return testing::AssertionSuccess();
    size_t at = 0;
    while (at < expected.size() && at < saved.size() && expected[at] == saved[at])
        ++at;
    const size_t from = at < 20 ? 0 : at - 20;
    return testing::AssertionFailure() << "the saved file (" << saved.size() << " bytes, " << expected.size()
                                       << " expected) differs from byte " << at << ": \"" << saved.substr(from, 60)
                                       << "\" where \"" << expected.substr(from, 60) << "\" was expected";
}

class LongLineEndToEnd : public TesselCopyTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        TesselCopyTest::SetUp();
        if (IsSkipped())
            return;
        writeFace(copy, GetParam() ? "word_wrap : true" : "word_wrap : false");
        m_width = characterWidth();
    }

    // A start of its own on the file, written with the text, once its editor holds the keys and
    // shows the caret (at the start: kept in m_start); the start before ends first, as the
    // second of two running ones would hand its file to the first.
    testing::AssertionResult open(const std::wstring& name, const std::string& text) {
        m_run.reset();
        copy.folder.write(name, text);
        m_run.reset(new TesselRun(copy, name));
        testing::AssertionResult ready = m_run->hasTitle(name + L" - Tessel");
        if (ready)
            ready = m_run->focusEditor();
        // A caret just made stands at 0,0 until the editor places it, right of the line numbers.
        if (ready && !pollFor([&] { return (m_start = caretOf(editor())).bottom > m_start.top && m_start.left > 0; },
                              WAIT_MS))
            ready = testing::AssertionFailure() << "no caret placed in the text";
        return ready;
    }
    // How the line's end shows before the caret (learned from short lines), then the long line
    // opened.
    void openLongLine() {
        learnEnd(&m_marker, &m_typed);
        if (HasFatalFailure())
            return;
        m_old = wordsLine(LENGTH);
        ASSERT_TRUE(open(L"long.txt", m_old));
    }
    // With the caret after the marker: the marker shows before it, and what is typed then shows
    // after the marker and is saved right after it.
    void showsTheEndAndTypesThere() {
        EXPECT_TRUE(shows(m_marker, MARKER.size(), "the marker"));
        ASSERT_TRUE(type(TYPED));
        ASSERT_TRUE(tessel().hasTitle(L"long.txt * - Tessel"));
        EXPECT_TRUE(shows(m_typed, MARKER.size() + TYPED.size(), "the typed text"));
        EXPECT_TRUE(sameText(m_old.substr(0, LENGTH) + TYPED + "\n", savedText(tessel(), L"long.txt", m_old)));
    }
    // The Find dialog asked for the needle: it closes once the needle is found and selected.
    void findNeedle() {
        HWND dialog = tessel().openDialog(editor(), 'F', L"Find");
        ASSERT_NE(nullptr, dialog) << "Ctrl+F showed no Find dialog";
        ASSERT_TRUE(typeValues(dialog, wide(NEEDLE)));
        ASSERT_TRUE(pressChord({VK_RETURN}));
        ASSERT_TRUE(closes(dialog)) << "nothing was found";
    }
    TesselRun& tessel() { return *m_run; }
    HWND editor() { return m_run->editor(); }
    bool press(std::initializer_list<WORD> keys) { return pressChordIn(editor(), keys); }
    // Typed after the keys pressed before, into the editor.
    bool type(const std::string& text) { return activate(editor()) && typeKeys(wide(text)); }

    // The editor's pixels on the caret's row in the widths of `characters` before the caret
    // (its own column left out, as it blinks), `shift` pixels to the right, clipped to the
    // editor: what it shows there.
    Capture beforeCaret(size_t characters, RECT* o_caret, const Capture& editorShown, LONG shift = 0) {
        *o_caret = caretOf(editor());
        if (o_caret->bottom <= o_caret->top)
            return Capture();
        const LONG left = o_caret->left - std::lround(characters * m_width);
        return editorShown.part(RECT{left + shift, o_caret->top, o_caret->left + shift, o_caret->bottom});
    }
    Capture beforeCaret(size_t characters, RECT* o_caret) {
        return beforeCaret(characters, o_caret, Capture::of(editor()));
    }
    // Whether the editor shows `expected` before its caret, give or take two pixels: text far
    // into a line is placed by positions far larger than the screen, and a pixel or two of
    // rounding is not what these tests are after.
    bool showsNearCaret(const Capture& expected, size_t characters, RECT* o_caret, Capture* o_seen) {
        const Capture all = Capture::of(editor());
        for (LONG shift : {0, -1, 1, -2, 2})
            if (samePixels(*o_seen = beforeCaret(characters, o_caret, all, shift), expected))
                return true;
        *o_seen = beforeCaret(characters, o_caret, all);
        return false;
    }

    // What a short line shows before the caret once the caret stands at `column` of the view's
    // row `row` and the screen holds still there, text drawn (and with `selected`, mostly in the
    // selection's colour): how the text looks where the editor draws it.
    testing::AssertionResult learn(size_t characters, int row, size_t column, bool selected, Capture* o_shown) {
        const LONG top = m_start.top + row * (m_start.bottom - m_start.top);
        const LONG left = m_start.left + std::lround(column * m_width);
        Capture previous;
        RECT caret = {};
        int same = 0;
        pollFor(
            [&] {
                const Capture now = beforeCaret(characters, &caret);
                const bool there = caret.top == top && std::abs(caret.left - left) <= 1;
                const bool drawn =
                    inkOf(now) > 0 && (!selected || 2 * now.count(SELECTED, 12) > now.width * now.height);
                same = there && drawn && samePixels(now, previous) ? same + 1 : 0;
                previous = now;
                return same >= 3;
            },
            WAIT_MS, 20);
        *o_shown = previous;
        if (same >= 3)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the short line showed no steady text before the caret, at " << caret.left
                                           << "," << caret.top << "; the editor: "
                                           << keepCapture(Capture::of(editor()), "short-line");
    }

    // The marker before the caret, then the marker with the typed text: how a short line shows
    // them at its end.
    void learnEnd(Capture* o_marker, Capture* o_typed) {
        const std::string start = "lorem ";
        ASSERT_TRUE(open(L"short.txt", start + MARKER + "\n" + start + MARKER + TYPED + "\n"));
        ASSERT_TRUE(press({VK_END}));
        ASSERT_TRUE(learn(MARKER.size(), 0, start.size() + MARKER.size(), false, o_marker));
        ASSERT_TRUE(press({VK_DOWN}) && press({VK_END}));
        const size_t both = MARKER.size() + TYPED.size();
        ASSERT_TRUE(learn(both, 1, start.size() + both, false, o_typed));
    }

    // Waits until the editor shows what the short line showed (`expected`, learnt over
    // `characters`) before its caret; the failure names the caret and keeps the captures.
    testing::AssertionResult shows(const Capture& expected, size_t characters, const std::string& what) {
        Capture seen;
        RECT caret = {};
        if (pollFor([&] { return showsNearCaret(expected, characters, &caret, &seen); }, WAIT_MS, 20))
            return testing::AssertionSuccess();
        std::string name = std::string("long-line-") + (GetParam() ? "wrap-on-" : "wrap-off-") + what;
        std::replace(name.begin(), name.end(), ' ', '-');
        return testing::AssertionFailure()
               << "the editor does not show " << what << " before its caret, at " << caret.left << "," << caret.top
               << " (the caret at the start: " << m_start.left << "," << m_start.top << "; "
               << (inkOf(seen) ? "other text there" : "no text there") << "); the editor: "
               << keepCapture(Capture::of(editor()), name)
               << ", the short line: " << keepCapture(expected, name + "-short");
    }

    // Waits until the caret is on the row it started on, right of where it started.
    testing::AssertionResult onFirstRow() {
        RECT caret = {};
        if (pollFor([&] { return (caret = caretOf(editor())).top == m_start.top && caret.left > m_start.left; },
                    WAIT_MS))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the caret is at " << caret.left << "," << caret.top
                                           << ", not on the first row (at " << m_start.top << ") past its start";
    }

    RECT m_start = {};
    double m_width = 0;
    Capture m_marker; // the line's end as short lines show it, then with TYPED after it
    Capture m_typed;
    std::string m_old; // the long line's file as written

private:
    std::unique_ptr<TesselRun> m_run;
};

// Ctrl+End goes to the empty line after the line feed, Left back to the end of the long line:
// the view shows the marker there, the typed text after it, and the text goes in there.
TEST_P(LongLineEndToEnd, CtrlEndAndLeftShowTheEndOfTheLineAndTypeThere) {
    openLongLine();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(press({VK_CONTROL, VK_END}) && press({VK_LEFT}));
    showsTheEndAndTypesThere();
}

// From the start of the line End goes to its end: the view shows the marker before the caret,
// and the text typed goes in after the marker. Wrapped, the first End stops at the end of the
// first row and the next one goes from there to the end of the line, whatever the rows between:
// two presses, as a user makes them.
TEST_P(LongLineEndToEnd, HomeAndEndReachTheEndOfTheLineAndShowIt) {
    openLongLine();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(press({VK_CONTROL, VK_HOME}) && press({VK_HOME}));
    ASSERT_TRUE(press({VK_END}));
    if (GetParam()) {
        EXPECT_TRUE(onFirstRow()) << "the first End goes to the end of the first row";
        ASSERT_TRUE(press({VK_END}));
    }
    showsTheEndAndTypesThere();
}

// The Find dialog finds the needle at character 2,000,000 from the start of the line: the view
// shows it selected, and what is typed next replaces it.
TEST_P(LongLineEndToEnd, FindShowsAMatchFarIntoTheLineSelected) {
    // How a short line shows the match selected, the caret after it.
    Capture selected;
    const std::string start = "lorem ";
    ASSERT_TRUE(open(L"short.txt", start + NEEDLE + " ipsum\n"));
    findNeedle();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(learn(NEEDLE.size(), 0, start.size() + NEEDLE.size(), true, &selected));

    const std::string old = wordsLine(LENGTH, NEEDLE_AT);
    ASSERT_TRUE(open(L"long.txt", old));
    findNeedle();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(shows(selected, NEEDLE.size(), "the match selected"));
    ASSERT_TRUE(type("X"));
    ASSERT_TRUE(tessel().hasTitle(L"long.txt * - Tessel"));
    EXPECT_TRUE(sameText(old.substr(0, NEEDLE_AT) + "X" + old.substr(NEEDLE_AT + NEEDLE.size()),
                         savedText(tessel(), L"long.txt", old)));
}

// Minified code has no blank for thousands of characters, so the editor's pieces of such a line
// part inside words (the first at character 16,384). Ctrl+Backspace after a word that a seam
// crosses (the needle ends it) deletes the word whole, as on any line.
TEST_P(LongLineEndToEnd, CtrlBackspaceDeletesAWholeWordThatAPieceSeamCrosses) {
    constexpr size_t WORD_AT = 16370;
    const std::string word = std::string(20, 'q') + NEEDLE;
    std::string old;
    while (old.size() < 20000)
        old += "lorem.ipsum.dolor.";
    old.replace(WORD_AT - 1, word.size() + 2, "." + word + ".");
    old += "\n";
    ASSERT_TRUE(open(L"long.txt", old));
    findNeedle();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(press({VK_RIGHT}) && press({VK_CONTROL, VK_BACK}));
    ASSERT_TRUE(tessel().hasTitle(L"long.txt * - Tessel"));
    EXPECT_TRUE(sameText(old.substr(0, WORD_AT) + old.substr(WORD_AT + word.size()), savedText(tessel(), L"long.txt", old)));
}

INSTANTIATE_TEST_SUITE_P(LongLine, LongLineEndToEnd, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "WrapOn" : "WrapOff"; });

} // namespace
} // namespace tessel_test
