// A line longer than the layout's piece, on a real editor with pieces made small: every caret
// move lands where it would on the line laid out whole, the caret is drawn where the text goes,
// and the view follows it, wrapped or not. Edits lay out again only the pieces they changed, a
// layout that fails is made again, and paging through the line keeps to the byte budget.

#include "EditorKeyTestSupport.h"
#include "afw/unicode/afUnicode.h"
#include "editor/EditorCaret.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <random>
#include <utility>
#include <vector>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

constexpr int32_t SMALL_PIECE = 64;

class EditorLongLineTest : public EditorKeyTest {
protected:
    // Words of varied length and blanks, with a tab and a pair above the basic plane among
    // them; a run of 150 letters where no seam finds a blank.
    static std::wstring longLine() {
        std::wstring text;
        for (int i = 0; text.size() < 700; ++i) {
            text += std::wstring(1 + i % 9, static_cast<wchar_t>(L'a' + i % 26));
            text += i % 17 == 0 ? L"\t" : i % 23 == 0 ? L" \xD83D\xDE00 " : L" ";
        }
        return text + std::wstring(150, L'm') + L" END";
    }
    void wrapped(bool on) {
        setPreset([on](tessel::FacePreset& p) { p.wordWrap = on; });
    }
    // The positions a walk of keys leaves the caret at, from the line's start.
    std::vector<TextPosition> walk(const std::vector<std::pair<int, std::vector<int>>>& keys) {
        place(0, 0);
        std::vector<TextPosition> seen;
        for (const auto& key : keys) {
            press(key.first, key.second);
            seen.push_back(caret());
        }
        return seen;
    }
    // Whether every piece of line 0 holds the document's text as it is now, each after the one
    // before it, none longer than an eighth more than a piece, none starting with a character
    // that joins the one before it; the first that does not is named.
    testing::AssertionResult piecesTrue() {
        tessel::LineCache& cache = *editor->getLineCache();
        const std::wstring line = lineText(0);
        const int32_t count = cache.pieceCount(0);
        int32_t at = 0;
        for (int32_t index = 0; index < count; ++index) {
            const tessel::LineCache::Piece piece = cache.piece(0, index);
            const size_t start = static_cast<size_t>(piece.start);
            const size_t length = static_cast<size_t>(piece.end - piece.start);
            const bool placed = piece.start == at && (length > 0 || count == 1) && length <= SMALL_PIECE * 9 / 8;
            if (!placed || !piece.data->laidOut || piece.data->text != line.substr(start, length))
                return testing::AssertionFailure() << "piece " << index << " of " << count << " holds " << piece.start
                                                   << ".." << piece.end << " after " << at << ", laid out "
                                                   << piece.data->laidOut;
            const wchar_t first = line[start];
            if (index > 0 && (IS_LOW_SURROGATE(first) || (first >= 0x0300 && first <= 0x036F)))
                return testing::AssertionFailure() << "piece " << index << " starts inside a character, at "
                                                   << piece.start;
            at = piece.end;
        }
        if (at != static_cast<int32_t>(line.size()))
            return testing::AssertionFailure() << "the pieces end at " << at << " of " << line.size();
        return testing::AssertionSuccess();
    }
    // Whether the records of line 0's pieces are what layouts made afresh make of them (each laid
    // out where it is, with what it says of the line); the first that is not is named.
    testing::AssertionResult recordsAsMadeAfresh() {
        tessel::LineCache& cache = *editor->getLineCache();
        auto records = [&] {
            std::vector<std::vector<int64_t>> seen;
            for (int32_t index = 0; index < cache.pieceCount(0); ++index) {
                const tessel::LineCache::Piece piece = cache.piece(0, index);
                const afUnicodeData& d = *piece.data;
                seen.push_back({piece.start, piece.end, piece.x, piece.firstSubline, d.textBefore, d.textAfter,
                                d.characterBefore, d.indentation, d.firstNonBlank, d.lastNonBlankEnd, d.widestWidth,
                                d.sublineCount()});
            }
            return seen;
        };
        const auto held = records();
        cache.dropLines(0, 0);
        const auto made = records();
        for (size_t index = 0; index < held.size() || index < made.size(); ++index)
            if (index >= held.size() || index >= made.size() || held[index] != made[index])
                return testing::AssertionFailure() << "piece " << index << " of " << held.size() << " held and "
                                                   << made.size() << " made afresh";
        return testing::AssertionSuccess();
    }
    // Edits line 0 as one change: `removed` units at each offset give way to `text`, from the
    // last offset to the first, as Replace All does.
    void edit(const std::vector<int32_t>& offsets, int32_t removed, const std::wstring& text) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        for (auto at = offsets.rbegin(); at != offsets.rend(); ++at) {
            if (removed > 0)
                controller->removeAt(removed, *at);
            if (!text.empty())
                controller->insertAt(static_cast<int32_t>(text.size()), *at, text.c_str());
        }
    }
    // Whether the caret is drawn on screen, and a click there lands on it.
    testing::AssertionResult caretShownWhereItIs() {
        paint();
        POINT point = {};
        if (!editor->caretPoint(&point))
            return testing::AssertionFailure() << "the caret " << caret().lineOffset << " is off screen";
        TextPosition hit;
        point.y += lineHeight / 2;
        if (!editor->clientPointToPosition(point, &hit, false) || hit.lineOffset != caret().lineOffset ||
            hit.line != caret().line)
            return testing::AssertionFailure() << "the caret " << caret().lineOffset << " is drawn where "
                                               << hit.lineOffset << " of line " << hit.line << " is";
        return testing::AssertionSuccess();
    }
};

std::vector<std::pair<int, std::vector<int>>> repeated(int key, int times, std::vector<int> modifiers = {}) {
    return std::vector<std::pair<int, std::vector<int>>>(static_cast<size_t>(times), {key, modifiers});
}

TEST_F(EditorLongLineTest, KeysLandWhereTheyWouldOnTheLineLaidOutWhole) {
    const std::wstring text = longLine();
    attach(text + L"\n");
    const int32_t length = static_cast<int32_t>(text.size());
    std::vector<std::pair<int, std::vector<int>>> keys = repeated(VK_RIGHT, 40, {VK_CONTROL});
    const auto back = repeated(VK_LEFT, 40, {VK_CONTROL});
    keys.insert(keys.end(), back.begin(), back.end());
    keys.push_back({VK_END, {}});
    keys.push_back({VK_END, {}});
    keys.push_back({VK_HOME, {}});
    keys.push_back({VK_END, {VK_CONTROL}});
    keys.push_back({VK_LEFT, {}});
    keys.push_back({VK_LEFT, {VK_CONTROL}});
    keys.push_back({VK_HOME, {}});
    keys.push_back({VK_END, {}});
    for (bool on : {false, true}) {
        wrapped(on);
        editor->getLineCache()->setPieceLength(1 << 20);
        const std::vector<TextPosition> whole = walk(keys);
        editor->getLineCache()->setPieceLength(SMALL_PIECE);
        ASSERT_GT(editor->getLineCache()->pieceCount(0), 12);
        const std::vector<TextPosition> pieced = walk(keys);
        ASSERT_EQ(whole.size(), pieced.size());
        for (size_t i = 0; i < whole.size(); ++i) {
            // Wrapped, a seam ends a row where the whole line's row goes on: Home and End,
            // which go by rows, are checked on their own.
            if (on && (keys[i].first == VK_HOME || keys[i].first == VK_END) && keys[i].second.empty())
                continue;
            EXPECT_EQ(whole[i].line, pieced[i].line) << (on ? "wrapped" : "unwrapped") << ", key " << i;
            EXPECT_EQ(whole[i].lineOffset, pieced[i].lineOffset) << (on ? "wrapped" : "unwrapped") << ", key " << i;
        }
        EXPECT_EQ(TextPosition(0, length), pieced[keys.size() - 4]) << "Ctrl+End, then Left";
        EXPECT_EQ(TextPosition(0, length - 3), pieced[keys.size() - 3]) << "Ctrl+Left";
        // Right over every seam steps one character (a pair as one), the caret shown on each.
        tessel::LineCache& cache = *editor->getLineCache();
        for (int32_t index = 1; index < cache.pieceCount(0); ++index) {
            int32_t offset = cache.piece(0, index).start - 3;
            place(0, offset);
            for (int step = 0; step < 6; ++step) {
                press(VK_RIGHT);
                offset += IS_HIGH_SURROGATE(text[static_cast<size_t>(offset)]) ? 2 : 1;
                ASSERT_EQ(offset, caret().lineOffset) << index;
                ASSERT_TRUE(caretShownWhereItIs()) << (on ? "wrapped" : "unwrapped");
            }
        }
        place(0, length);
        for (int32_t offset = length; offset > length - 200;) {
            ASSERT_EQ(offset, caret().lineOffset);
            press(VK_LEFT);
            offset -= IS_LOW_SURROGATE(text[static_cast<size_t>(offset - 1)]) ? 2 : 1;
        }
        ASSERT_TRUE(caretShownWhereItIs());
    }
}

TEST_F(EditorLongLineTest, TheCaretGoesAndTypesWhereItIsShownAcrossEverySeam) {
    const std::wstring text = longLine();
    attach(text + L"\n");
    editor->getLineCache()->setPieceLength(SMALL_PIECE);
    const int32_t length = static_cast<int32_t>(text.size());
    for (bool on : {false, true}) {
        wrapped(on);
        const char* mode = on ? "wrapped" : "unwrapped";
        // Ctrl+End then Left, and Home then End, end after the last word.
        press(VK_END, {VK_CONTROL});
        press(VK_LEFT);
        EXPECT_EQ(TextPosition(0, length), caret()) << mode;
        EXPECT_TRUE(caretShownWhereItIs()) << mode;
        press(VK_HOME);
        for (int i = 0; i < 3 && caret().lineOffset != length; ++i)
            press(VK_END);
        EXPECT_EQ(length, caret().lineOffset) << mode << ": End on the last row goes to the line's end";
        EXPECT_TRUE(caretShownWhereItIs()) << mode;
        // Each seam: clicked on, stepped over and typed at.
        for (int32_t index = 1; index < editor->getLineCache()->pieceCount(0); index += 5) {
            const int32_t seam = editor->getLineCache()->piece(0, index).start;
            place(0, seam - 1);
            editor->showCaret(false);
            ASSERT_TRUE(caretShownWhereItIs()) << mode << ", seam " << seam;
            press(VK_RIGHT);
            ASSERT_EQ(seam, caret().lineOffset);
            ASSERT_TRUE(caretShownWhereItIs()) << mode << ", seam " << seam;
            press(VK_RIGHT, {VK_SHIFT});
            press(VK_LEFT, {VK_SHIFT});
            ASSERT_EQ(seam, caret().lineOffset) << mode;
        }
        // Up and Down across rows and back come home; the caret stays shown.
        place(0, length / 2);
        editor->showCaret(false);
        const TextPosition middle = caret();
        // Unwrapped, the line is one row: Down goes to the next line.
        const int rows = on ? 6 : 1;
        for (int i = 0; i < rows; ++i)
            press(VK_DOWN);
        EXPECT_TRUE(caretShownWhereItIs()) << mode;
        for (int i = 0; i < rows; ++i)
            press(VK_UP);
        EXPECT_EQ(middle.lineOffset, caret().lineOffset) << mode;
        EXPECT_TRUE(caretShownWhereItIs()) << mode;
    }
    // Typed just before the last word, reached from the document's end: the text lands there.
    place(0, 0);
    press(VK_END, {VK_CONTROL});
    press(VK_LEFT);
    press(VK_LEFT, {VK_CONTROL});
    typeKeys(L"XY");
    std::wstring expected = text + L"\n";
    expected.insert(static_cast<size_t>(length - 3), L"XY");
    EXPECT_EQ(expected, this->text());
    EXPECT_TRUE(caretShownWhereItIs());
}

TEST_F(EditorLongLineTest, EndOnAWrappedRowBeforeASeamEndsThatRow) {
    const std::wstring text = longLine();
    attach(text + L"\n");
    editor->getLineCache()->setPieceLength(SMALL_PIECE);
    wrapped(true);
    tessel::LineCache& cache = *editor->getLineCache();
    const tessel::LineCache::Piece piece = cache.piece(0, 3);
    const int32_t lastRow = piece.firstSubline + piece.data->sublineCount() - 1;
    const tessel::LineCache::Piece next = cache.piece(0, 4);
    ASSERT_EQ(lastRow + 1, next.firstSubline);
    // From the start of the piece's last row, End stops at the seam, drawn on that row.
    TextPosition rowStart;
    ASSERT_TRUE(editor->pointToPosition(0, 0, lastRow, &rowStart, false, false));
    place(0, rowStart.lineOffset);
    editor->showCaret(false);
    press(VK_END);
    EXPECT_EQ(next.start, caret().lineOffset);
    tessel::SubLineIterator at;
    ASSERT_TRUE(editor->sublineIteratorFor(caret(), &at));
    EXPECT_EQ(lastRow, at.subline) << "the seam ends the row End was pressed on";
    EXPECT_TRUE(caretShownWhereItIs());
    press(VK_DOWN);
    ASSERT_TRUE(editor->sublineIteratorFor(caret(), &at));
    EXPECT_EQ(lastRow + 1, at.subline);
    press(VK_HOME);
    EXPECT_EQ(next.start, caret().lineOffset) << "Home goes to the start of the next piece's first row";
}

// What an edit lays out again, counted: an insert or a removal in a piece of a long line, and a
// batch of them in one change as Replace All makes, look for no seam again and lay out again
// only the pieces whose text changed; the pieces after them move with the text. (The line has no
// tabs here: unwrapped, a piece with tabs is laid out again where an edit moves it.) A piece
// edits made too long is cut, one they left nearly empty joins its neighbour.
TEST_F(EditorLongLineTest, AnEditLaysOutAgainOnlyThePiecesItChanged) {
    std::wstring text = longLine();
    std::replace(text.begin(), text.end(), L'\t', L' ');
    attach(text + L"\n");
    tessel::LineCache& cache = *editor->getLineCache();
    cache.setPieceLength(SMALL_PIECE);
    for (bool on : {false, true}) {
        wrapped(on);
        const char* mode = on ? "wrapped" : "unwrapped";
        ASSERT_TRUE(piecesTrue()) << mode;
        const int32_t count = cache.pieceCount(0);
        const tessel::LineCache::Piece middle = cache.piece(0, count / 2);
        const int32_t next = cache.piece(0, count / 2 + 1).start;
        cache.getLayout(1); // what the edit's notice measures besides
        uint64_t seams = cache.getSeamCount();
        uint64_t built = builds();
        edit({middle.start + 5}, 0, L"Q");
        const uint64_t edited = builds();
        for (int32_t index = 0; index < count / 2; ++index)
            cache.piece(0, index);
        EXPECT_EQ(edited, builds()) << mode << ": the pieces before the edit are laid out still";
        ASSERT_TRUE(piecesTrue()) << mode;
        EXPECT_EQ(built + 1, builds()) << mode << ": the piece typed in is laid out again, and no other";
        EXPECT_EQ(seams, cache.getSeamCount()) << mode << ": no seam is looked for again";
        EXPECT_EQ(next + 1, cache.piece(0, count / 2 + 1).start) << mode;

        // A removal, then a batch across three pieces.
        built = builds();
        edit({middle.start + 4}, 2, L"");
        ASSERT_TRUE(piecesTrue()) << mode;
        EXPECT_EQ(built + 1, builds()) << mode;
        built = builds();
        edit({cache.piece(0, 2).start + 3, middle.start + 3, cache.piece(0, count - 2).start + 3}, 1, L"XYZW");
        ASSERT_TRUE(piecesTrue()) << mode;
        EXPECT_EQ(built + 3, builds()) << mode;
        EXPECT_EQ(seams, cache.getSeamCount()) << mode;

        // Grown past an eighth more than a piece, a piece is cut; shrunk to nearly nothing, it
        // joins the one before it.
        edit({middle.start + 3}, 0, std::wstring(SMALL_PIECE, L'g'));
        ASSERT_TRUE(piecesTrue()) << mode;
        EXPECT_EQ(count + 1, cache.pieceCount(0)) << mode;
        EXPECT_LT(seams, cache.getSeamCount()) << mode;
        const tessel::LineCache::Piece shrunk = cache.piece(0, 3);
        edit({shrunk.start + 1}, shrunk.end - shrunk.start - 2, L"");
        ASSERT_TRUE(piecesTrue()) << mode;
        EXPECT_EQ(count, cache.pieceCount(0)) << mode;
        EXPECT_TRUE(caretShownWhereItIs()) << mode;
    }
}

// A joiner typed at a seam between two families joins them into one character: no seam stays
// inside it, and the caret steps over it as one.
TEST_F(EditorLongLineTest, ASeamThatAnEditPutsInsideACharacterGoes) {
    const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
    std::wstring line;
    while (line.size() < 700)
        line += family;
    attach(line);
    tessel::LineCache& cache = *editor->getLineCache();
    cache.setPieceLength(SMALL_PIECE);
    ASSERT_TRUE(piecesTrue());
    const int32_t seam = cache.piece(0, 3).start;
    ASSERT_EQ(0, seam % 8) << "a seam between two families";
    edit({seam}, 0, L"\u200D");
    ASSERT_TRUE(piecesTrue());
    for (int32_t index = 0; index < cache.pieceCount(0); ++index) {
        const int32_t start = cache.piece(0, index).start;
        EXPECT_TRUE(start != seam && start != seam + 1) << "piece " << index << " starts inside the joined families";
    }
    place(0, seam - 8);
    press(VK_RIGHT);
    EXPECT_EQ(TextPosition(0, seam + 9), caret()) << "the caret steps over the joined families";
}

// Random inserts and removals in a long line, among them pairs above the basic plane, combining
// marks, blanks and tabs, at seams and inside pieces, and now and then the line split in two and joined
// again: every piece holds the line's text after each, and what the split leaves of the line is
// laid out as afresh.
TEST_F(EditorLongLineTest, EditsAtRandomKeepEveryPieceTrue) {
    attach(longLine() + L"\n");
    tessel::LineCache& cache = *editor->getLineCache();
    cache.setPieceLength(SMALL_PIECE);
    const std::wstring texts[] = {L"x", L" ", L"\xD83D\xDE01", L"e\x0301", L"\x0301", std::wstring(90, L'k'), L"a\tb"};
    std::mt19937 random(84);
    for (int step = 0; step < 400; ++step) {
        if (step % 100 == 0)
            wrapped(step % 200 == 0);
        const int32_t length = static_cast<int32_t>(lineText(0).size());
        // Half of the edits next to a seam.
        const int32_t count = cache.pieceCount(0);
        int32_t at = static_cast<int32_t>(random() % static_cast<unsigned>(length + 1));
        if (random() % 2)
            at = std::min(cache.piece(0, static_cast<int32_t>(random() % static_cast<unsigned>(count))).start +
                              static_cast<int32_t>(random() % 3) - 1,
                          length);
        at = std::max(at, 0);
        if (random() % 8 == 0) {
            edit({at}, 0, L"\n");
            ASSERT_TRUE(recordsAsMadeAfresh()) << "step " << step << ", a line break at " << at;
            edit({at}, 1, L"");
        } else if (random() % 2) {
            edit({at}, 0, texts[random() % 7]);
        } else {
            edit({at}, std::min(static_cast<int32_t>(random() % 24), length - at), L"");
        }
        ASSERT_TRUE(piecesTrue()) << "step " << step;
        if (step % 50 == 0) {
            place(0, 0);
            ASSERT_TRUE(caretShownWhereItIs()) << "step " << step;
        }
    }
}

// A character longer than the layout's piece, with text after it on its line: a letter with
// 40,000 marks and a chain of 12,000 emoji joined by ZWJ, each between two letters. The keys step
// over it whole, wrapped or not, and Backspace after it takes it whole.
TEST_F(EditorLongLineTest, ACharacterLongerThanAPieceIsSteppedOverWhole) {
    std::wstring chain = L"\U0001F468";
    for (int i = 1; i < 12000; ++i)
        chain += L"\u200D\U0001F469";
    for (const std::wstring& character : {L"x" + std::wstring(40000, L'\x0301'), chain}) {
        const int32_t end = static_cast<int32_t>(character.size());
        for (bool on : {false, true}) {
            const char* mode = on ? "wrapped" : "unwrapped";
            attach(character + L"y\nnext");
            wrapped(on);
            press(VK_HOME, {VK_CONTROL});
            press(VK_RIGHT);
            EXPECT_EQ(end, caret().lineOffset) << mode;
            press(VK_RIGHT);
            EXPECT_EQ(end + 1, caret().lineOffset) << mode;
            // Wrapped, the character ends a row: End stops there first.
            place(0, 0);
            for (int i = 0; i < 2 && caret().lineOffset != end + 1; ++i)
                press(VK_END);
            EXPECT_EQ(end + 1, caret().lineOffset) << mode;
            // A row the window is too narrow for is not shown whole wrapped: no row breaks a
            // character.
            if (!on || character[0] == L'x') {
                EXPECT_TRUE(caretShownWhereItIs()) << mode;
            }
            press(VK_END, {VK_CONTROL});
            press(VK_UP);
            press(VK_UP);
            EXPECT_EQ(0, caret().line) << mode;
            EXPECT_TRUE(controller->isCharacterStart(controller->positionToOffset(caret()))) << mode;
            place(0, end);
            press(VK_BACK);
            EXPECT_EQ(L"y\nnext", text()) << mode;
        }
    }
}

// A layout that throws (no memory for it) leaves no record taken for laid out: the next paint
// lays the piece out again and ends.
TEST_F(EditorLongLineTest, ALayoutThatRunsOutOfMemoryIsMadeAgainAndThePaintEnds) {
    attach(longLine() + L"\n");
    tessel::LineCache& cache = *editor->getLineCache();
    afUnicode& layout = *editor->getLayout();
    int failing = 0;
    cache.setLayoutStep([&](afUnicodeData& data) {
        if (failing > 0) {
            --failing;
            throw std::bad_alloc();
        }
        return layout.process(data);
    });
    for (bool on : {false, true}) {
        wrapped(on);
        const char* mode = on ? "wrapped" : "unwrapped";
        cache.setPieceLength(SMALL_PIECE); // drops every layout
        failing = 1;
        paint();
        ASSERT_EQ(0, failing) << mode << ": the paint laid nothing out";
        ASSERT_TRUE(piecesTrue()) << mode;
        cache.setPieceLength(SMALL_PIECE);
        failing = 1;
        paint();
        paint();
        EXPECT_TRUE(caretShownWhereItIs()) << mode;
    }
}

// A long line of one-letter fields between tabs, runs of one character each (the costliest to
// lay out), paged through: only the pieces on screen are kept beyond the byte budget, those
// beside it give their memory back as those of any line off screen do.
TEST_F(EditorLongLineTest, PagingThroughALineKeepsThePiecesBesideTheScreenWithinTheBudget) {
    std::wstring text;
    for (int i = 0; text.size() < 40000; ++i)
        text += std::wstring(1, static_cast<wchar_t>(L'a' + i % 26)) + L'\t';
    tessel::LineCache& cache = *editor->getLineCache();
    cache.setPieceLength(SMALL_PIECE * 4);
    attach(text + L"\n");
    // Room for what the screen shows and twenty pieces more.
    const size_t shown = cache.heldBytes();
    for (int32_t index = 1; index <= 10; ++index)
        cache.piece(0, index);
    const size_t budget = shown + (cache.heldBytes() - shown) * 2;
    cache.setByteBudget(budget);
    for (bool on : {false, true}) {
        wrapped(on);
        const char* mode = on ? "wrapped" : "unwrapped";
        place(0, 0);
        paint();
        if (on) {
            for (int page = 0; page < 2000 && caret().line == 0; ++page)
                press(VK_NEXT);
            EXPECT_EQ(1, caret().line) << "Page Down went through the line";
        } else {
            const int32_t columns = clientWidth / charWidth;
            for (int32_t column = 0; column < cache.getLineEntry(0).width / charWidth; column += 5 * columns)
                editor->scrollTo(column, 0, 0, false);
        }
        EXPECT_LE(cache.heldBytes(), budget) << mode;
        const uint64_t built = builds();
        paint();
        EXPECT_EQ(built, builds()) << mode << ": the pieces on screen kept their layouts";
    }
}

// Minified code: words far longer than the reach of a seam's search for a blank, so that seams
// fall inside words, joined by dots and now and then a blank.
std::wstring minifiedLine() {
    std::wstring text;
    for (int i = 0; text.size() < 900; ++i)
        text += std::wstring(static_cast<size_t>(12 + i * 7 % 31), static_cast<wchar_t>(L'a' + i % 26)) +
                (i % 4 ? L"." : L" ");
    return text;
}

bool isLetter(wchar_t c) {
    return c >= L'a' && c <= L'z';
}

TEST_F(EditorLongLineTest, ASeamInsideAWordIsNoWordStop) {
    const std::wstring text = minifiedLine();
    const int32_t length = static_cast<int32_t>(text.size());
    attach(text + L"\n");
    tessel::LineCache& cache = *editor->getLineCache();
    // Ctrl+Right from the line's start to its end, then Ctrl+Left back.
    auto stops = [&] {
        std::vector<int32_t> seen;
        place(0, 0);
        for (int i = 0; i < length && caret().line == 0 && caret().lineOffset < length; ++i) {
            press(VK_RIGHT, {VK_CONTROL});
            seen.push_back(caret().lineOffset);
        }
        place(0, length);
        for (int i = 0; i < length && caret().lineOffset > 0; ++i) {
            press(VK_LEFT, {VK_CONTROL});
            seen.push_back(caret().lineOffset);
        }
        return seen;
    };
    for (bool on : {false, true}) {
        wrapped(on);
        cache.setPieceLength(1 << 20);
        const std::vector<int32_t> whole = stops();
        cache.setPieceLength(SMALL_PIECE);
        ASSERT_GT(cache.pieceCount(0), 10);
        EXPECT_EQ(whole, stops()) << (on ? "wrapped" : "unwrapped");
    }
    // Ctrl+Backspace just after a seam inside a word deletes the word's start, Ctrl+Delete just
    // before one its end, as on the line laid out whole.
    auto afterKey = [&](int32_t pieceLength, int32_t offset, int key) {
        load(text + L"\n");
        cache.setPieceLength(pieceLength);
        place(0, offset);
        press(key, {VK_CONTROL});
        return lineText(0);
    };
    std::vector<int32_t> seams;
    for (int32_t index = 1; index < cache.pieceCount(0); ++index) {
        const int32_t seam = cache.piece(0, index).start;
        if (std::all_of(text.begin() + seam - 3, text.begin() + seam + 3, isLetter))
            seams.push_back(seam);
    }
    EXPECT_GT(seams.size(), 5u) << "seams inside words";
    for (int32_t seam : seams) {
        int32_t wordStart = seam;
        while (wordStart > 0 && isLetter(text[wordStart - 1]))
            --wordStart;
        const std::wstring deleted = afterKey(1 << 20, seam + 2, VK_BACK);
        EXPECT_EQ(std::wstring(text).erase(wordStart, seam + 2 - wordStart), deleted);
        EXPECT_EQ(deleted, afterKey(SMALL_PIECE, seam + 2, VK_BACK)) << "Ctrl+Backspace at seam " << seam;
        EXPECT_EQ(afterKey(1 << 20, seam - 2, VK_DELETE), afterKey(SMALL_PIECE, seam - 2, VK_DELETE))
            << "Ctrl+Delete at seam " << seam;
    }
}

TEST_F(EditorLongLineTest, TabsReachTheTabStopsOfTheLineLaidOutWhole) {
    // A table's row: fields of varied length, each ended by a tab.
    std::wstring text;
    for (int i = 0; text.size() < 900; ++i)
        text += std::wstring(static_cast<size_t>(1 + i * 5 % 11), static_cast<wchar_t>(L'a' + i % 26)) + L"\t";
    attach(text + L"\n");
    wrapped(false);
    tessel::LineCache& cache = *editor->getLineCache();
    // The x of each tab and of what follows it.
    auto tabs = [&] {
        std::vector<int32_t> x;
        for (int32_t at = 0; at < static_cast<int32_t>(text.size()); ++at)
            if (text[static_cast<size_t>(at)] == L'\t') {
                x.push_back(editor->positionToPoint(TextPosition(0, at), true, nullptr));
                x.push_back(editor->positionToPoint(TextPosition(0, at + 1), true, nullptr));
            }
        return x;
    };
    cache.setPieceLength(1 << 20);
    const std::vector<int32_t> whole = tabs();
    cache.setPieceLength(SMALL_PIECE);
    ASSERT_GT(cache.pieceCount(0), 10);
    // Laid out from the last piece to the first: each starts where the estimates before it put
    // it, and its tabs follow when the pieces before it are measured.
    for (int32_t index = cache.pieceCount(0) - 1; index >= 0; --index)
        cache.piece(0, index);
    EXPECT_EQ(whole, tabs());
    // Shown far into the line, the pieces around the caret are measured before the view is
    // placed by them, their tabs where they then stand: the paint moves nothing.
    cache.setPieceLength(SMALL_PIECE);
    place(0, static_cast<int32_t>(text.size()) - 100);
    editor->showCaret(false);
    const int32_t placed = editor->positionToPoint(caret(), true, nullptr);
    paint();
    EXPECT_EQ(placed, editor->positionToPoint(caret(), true, nullptr));
    EXPECT_TRUE(caretShownWhereItIs());

    // Where every tab fills a whole stop, pieces never laid out are estimated as wide as they
    // are: the last piece starts where the line laid out whole has that character.
    ASSERT_EQ(editor->getLayout()->getSpaceWidth(), editor->getLayout()->getAverageCharWidth());
    text.clear();
    while (text.size() < 900)
        text += L"\tabcd";
    load(text + L"\n");
    cache.setPieceLength(SMALL_PIECE);
    const tessel::LineCache::Piece piece = cache.piece(0, cache.pieceCount(0) - 1);
    cache.setPieceLength(1 << 20);
    EXPECT_EQ(editor->positionToPoint(TextPosition(0, piece.start), true, nullptr), piece.x);

    // Wrapped, a piece starts a row: its first tab ends a stop from that row's start.
    wrapped(true);
    cache.setPieceLength(SMALL_PIECE);
    const int tabStop = editor->getLayout()->getTabSize() * editor->getLayout()->getSpaceWidth();
    for (int32_t index = 1; index < cache.pieceCount(0); ++index) {
        const tessel::LineCache::Piece next = cache.piece(0, index);
        const int32_t tab = static_cast<int32_t>(text.find(L'\t', static_cast<size_t>(next.start)));
        const int32_t rowStart = editor->positionToPoint(TextPosition(0, next.start), true, nullptr);
        EXPECT_EQ(0, (editor->positionToPoint(TextPosition(0, tab + 1), true, nullptr) - rowStart) % tabStop)
            << "piece " << index;
    }
}

TEST_F(EditorLongLineTest, EveryRowAfterTheLinesFirstIsDrawnAsAContinuation) {
    themes.setTheme(tessel_test::makeTheme(L"{settings: {background: \"#FFFFFF\" foreground: \"#000000\" "
                                           L"line_highlight: \"#E0E0FF\" invisibles: \"#C04040\"}}"));
    resize(400, 22 * lineHeight);
    const std::wstring text = L"    " + longLine().substr(0, 500);
    attach(text + L"\n");
    setPreset([](tessel::FacePreset& p) {
        p.wordWrap = true;
        p.sublinesAlign = true;
        p.sublinesAlignShow = true;
        p.showIndentGuides = false;
    });
    tessel::LineCache& cache = *editor->getLineCache();
    const int columnLeft = editor->getGutterWidth();
    // Each row of the line: the x its first character stands at, and its wrap mark: "-" none,
    // "|" a continuation that another row follows, "L" the line's last row.
    auto rows = [&](std::vector<int32_t>& o_starts) {
        o_starts.clear();
        paint();
        const auto surface = print();
        std::string marks;
        const int32_t count = cache.getSubLineCount(0, false);
        for (int32_t row = 0; row < count; ++row) {
            TextPosition start;
            EXPECT_TRUE(editor->pointToPosition(0, 0, row, &start, false, false));
            const int32_t x = editor->positionToPoint(start, true, nullptr);
            o_starts.push_back(x);
            const int top = row * lineHeight;
            const uint32_t wrapColour = tessel_test::DibSurface::pixelOf(RGB(0xC0, 0x40, 0x40));
            const RECT upper = {columnLeft, top, columnLeft + std::max(x, 1), top + lineHeight / 2};
            const RECT lower = {columnLeft, top + 3 * lineHeight / 4, columnLeft + std::max(x, 1), top + lineHeight};
            marks += surface->count(upper, wrapColour) == 0   ? '-'
                     : surface->count(lower, wrapColour) == 0 ? 'L'
                                                              : '|';
        }
        return marks;
    };
    std::vector<int32_t> starts;
    const std::string whole = rows(starts);
    ASSERT_GE(whole.size(), 5u);
    const int32_t indent = starts[1];
    EXPECT_GT(indent, 0);
    EXPECT_EQ("-" + std::string(whole.size() - 2, '|') + "L", whole);
    cache.setPieceLength(SMALL_PIECE);
    ASSERT_GT(cache.pieceCount(0), 5);
    const std::string pieced = rows(starts);
    ASSERT_LE(pieced.size(), 21u) << "every row on screen";
    EXPECT_EQ("-" + std::string(pieced.size() - 2, '|') + "L", pieced);
    EXPECT_EQ(std::vector<int32_t>(starts.size() - 1, indent), std::vector<int32_t>(starts.begin() + 1, starts.end()))
        << "where each row's first character stands";
    // Steps over the seams land where they are shown.
    place(0, 0);
    for (int i = 0; i < 60; ++i) {
        press(VK_RIGHT, {VK_CONTROL});
        ASSERT_TRUE(caretShownWhereItIs());
    }
}

} // namespace

// Tab with soft tabs fills the caret's column to the next tab stop, the column's place within its
// stop read from the tabs the pieces hold: at every offset of a line whose tabs lie in some pieces
// only, among pairs above the basic plane, with the text's gap before, inside and after what is
// read, the spaces typed are those of the column counted from the line's start.
TEST_F(EditorLongLineTest, SoftTabsFillTheColumnCountedFromTheLinesStart) {
    // No tab in the first piece and none in the last three.
    const std::wstring text = L"\xD83D\xDE00 " + std::wstring(SMALL_PIECE, L'p') + longLine();
    attach(text + L"\n");
    tessel::LineCache& cache = *editor->getLineCache();
    cache.setPieceLength(SMALL_PIECE);
    const int32_t length = static_cast<int32_t>(text.size());
    // Next to every tab and seam, and here and there between.
    std::vector<int32_t> offsets;
    for (int32_t at = 0; at <= length; ++at)
        if (at % 11 == 0 || text.find(L'\t', static_cast<size_t>(std::max(at - 2, 0))) < static_cast<size_t>(at))
            offsets.push_back(at);
    for (int32_t index = 1; index < cache.pieceCount(0); ++index)
        for (int32_t beside : {-1, 0, 1})
            offsets.push_back(cache.piece(0, index).start + beside);
    for (int32_t size : {4, 3}) {
        controller->setIndentation(size, true);
        for (const int32_t at : offsets) {
            // The gap where the last edit left it: before the caret, at the line's end or start.
            const int32_t gap = at % 3 == 0 ? length : at % 3 == 1 ? 0 : at;
            edit({gap}, 0, L"x");
            edit({gap}, 1, L"");
            place(0, at);
            const int32_t column = controller->getVisualColumn(TextPosition(0, at));
            press(VK_TAB);
            const size_t spaces = static_cast<size_t>(size - column % size);
            ASSERT_EQ(std::wstring(text).insert(static_cast<size_t>(at), spaces, L' '), lineText(0))
                << "a tab stop of " << size << " at " << at;
            edit({at}, static_cast<int32_t>(spaces), L"");
        }
    }
}

// A line break typed into a long line keeps the layouts of the pieces before it, and each is what
// a layout made afresh would be: wherever the break goes (among the words, at the line's end, at
// a seam inside a word, after a run of blanks, inside the indentation, so near the start that the
// line is laid out whole), wrapped or not, the line's pieces hold the same records after their
// layouts are dropped and made again.
TEST_F(EditorLongLineTest, ALineBreakKeepsThePiecesBeforeItAsTheyWouldBeLaidOutAfresh) {
    const std::wstring words = longLine();
    const std::wstring text = std::wstring(200, L' ') + words.substr(0, 300) + std::wstring(150, L' ') + words;
    tessel::LineCache& cache = *editor->getLineCache();
    for (bool on : {false, true}) {
        const char* mode = on ? "wrapped" : "unwrapped";
        // Where the break goes, what goes before it (a letter in the indentation, so that the
        // line keeps a last blank), and which pieces are laid out still: those before the one
        // the break goes into (0) and that one too (1), or any (-1).
        const struct {
            const char* name;
            int32_t at;
            const wchar_t* text;
            int32_t still;
        } places[] = {{"among the words", 700, L"\n", 0},
                      {"at the line's end", static_cast<int32_t>(text.size()), L"\n", 1},
                      {"at a seam inside a word", -1, L"\n", -1},
                      {"after a run of blanks", 650, L"\n", -1},
                      {"in the indentation", 150, L"x\n", -1},
                      {"leaving a line no longer than a piece", 30, L"x\n", -1}};
        for (const auto& place : places) {
            attach(text + L"\n");
            wrapped(on);
            cache.setPieceLength(SMALL_PIECE);
            ASSERT_TRUE(recordsAsMadeAfresh());
            // At the end of a piece a piece long, not after a blank: that piece then ends the line
            // as it is, the text the break leaves ending in no blank.
            int32_t at = place.at;
            for (int32_t index = 0; at < 0; ++index) {
                const tessel::LineCache::Piece piece = cache.piece(0, index);
                if (piece.end - piece.start == SMALL_PIECE && text[static_cast<size_t>(piece.end - 1)] != L' ')
                    at = piece.end;
            }
            const int32_t holding = cache.pieceAt(0, at, false).index;
            edit({at}, 0, place.text);
            const uint64_t built = builds();
            for (int32_t index = 0; place.still >= 0 && index < holding + place.still; ++index)
                cache.piece(0, index);
            EXPECT_EQ(built, builds()) << mode << ", a line break " << place.name << ": pieces laid out again";
            EXPECT_TRUE(recordsAsMadeAfresh()) << mode << ", a line break " << place.name;
        }
    }
}
