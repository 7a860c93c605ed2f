// Characters kept whole by the controller: deletions at a caret take a whole emoji, flag, ZWJ
// sequence or letter with its marks; at several carets they act at each, as one edit; no edit
// splits a surrogate pair and no caret stands inside one, whatever offsets the callers hand in;
// a column inside a character gives its start; and the characters of a line are counted as the
// caret steps over them.

#include "ControllerTestSupport.h"
#include "pel/text/Utf16Characters.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessel;
using tessel_test::ControllerTest;
using tessel_test::offsetsOf;

namespace {

using Lock = DocumentController::Lock;

const std::wstring SMILE = L"\U0001F600";
const std::wstring FAMILY = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
const std::wstring FRANCE = L"\U0001F1EB\U0001F1F7";
const std::wstring GERMANY = L"\U0001F1E9\U0001F1EA";
const std::wstring THUMB = L"\U0001F44D\U0001F3FD";
const std::wstring ACUTE_E = L"e\u0301";
const std::wstring MATH_A = L"\U0001D400";
// Characters longer than the view's piece of a long line (16,384 units): a letter with 40,000
// marks, and 12,000 emoji joined by ZWJ.
const std::wstring MARKED_E = L"e" + std::wstring(40000, L'\x0301');
const std::wstring CHAIN = [] {
    std::wstring chain = L"\U0001F468";
    for (int i = 1; i < 12000; ++i)
        chain += L"\u200D\U0001F469";
    return chain;
}();

// The characters the random texts are made of: each whole, as a reader sees one.
const std::wstring ATOMS[] = {L"a", L"b", L" ", L"\n", L"\n", SMILE, FAMILY, FRANCE, GERMANY, THUMB, ACUTE_E, MATH_A,
                              L"\u4E2D"};

int unpairedHalves(const std::wstring& text) {
    int count = 0;
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length; at += pel::characterUnits(text, at, length))
        count += pel::characterUnits(text, at, length) == 1 && pel::isSurrogateUnit(text[at]) ? 1 : 0;
    return count;
}

// Whether the text is a row of whole atoms (a flag's letters in their pairs, a family whole).
bool madeOfAtoms(const std::wstring& text) {
    size_t at = 0;
    while (at < text.size()) {
        size_t longest = 0;
        for (const std::wstring& atom : ATOMS)
            if (atom.size() > longest && text.compare(at, atom.size(), atom) == 0)
                longest = atom.size();
        if (longest == 0)
            return false;
        at += longest;
    }
    return true;
}

// The offsets where the atoms of a text made of atoms begin, its end included.
std::vector<int32_t> atomStarts(const std::wstring& text) {
    std::vector<int32_t> starts;
    size_t at = 0;
    while (at < text.size()) {
        starts.push_back(static_cast<int32_t>(at));
        size_t longest = 1;
        for (const std::wstring& atom : ATOMS)
            if (atom.size() > longest && text.compare(at, atom.size(), atom) == 0)
                longest = atom.size();
        at += longest;
    }
    starts.push_back(static_cast<int32_t>(text.size()));
    return starts;
}

class ControllerCharactersTest : public ControllerTest {
protected:
    // Several empty carets at the offsets, as a column of carets leaves them.
    // With column, the carets are a column's.
    void caretsAt(const std::vector<int32_t>& offsets, bool column = false) {
        std::vector<SelectionRange> ranges;
        for (int32_t offset : offsets)
            ranges.emplace_back(offset, offset, static_cast<int32_t>(ranges.size()) + 1);
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        selection().applyRanges(ranges, CARET_ANCHOR | (column ? CARET_COLUMN : 0));
    }
    // A column of carets as Alt+Down makes it: a rectangle whose edges stand at the anchor's
    // column (counted in units, no view being attached).
    void columnFrom(const TextPosition& anchor, int32_t lines) {
        Lock read(*controller, DocumentController::LOCK_READ);
        const TextPosition caret = controller->getColumnPosition(anchor.line + lines, anchor.lineOffset);
        selection().set(caret, anchor, CARET_COLUMN, selection_ids::RECTANGLE);
    }
    void deleteChars(int32_t count) {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->deleteChars(count);
    }
    std::vector<int32_t> caretOffsets() {
        std::vector<int32_t> offsets;
        for (const SelectionRange& range : selection().getRanges()) {
            EXPECT_TRUE(range.isEmpty());
            offsets.push_back(range.start);
        }
        return offsets;
    }
};

} // namespace

TEST_F(ControllerCharactersTest, DeletingAtACaretTakesWholeCharacters) {
    const struct {
        std::wstring text;
        int32_t caret, count;
        std::wstring result;
        int32_t after;
    } cases[] = {
        {L"emoji " + SMILE + SMILE + L" end", 10, -1, L"emoji " + SMILE + L" end", 8},
        {L"a" + FAMILY + L"b", 1, 1, L"ab", 1},
        {L"a" + FAMILY + L"b", 9, -1, L"ab", 1},
        {L"a" + FRANCE + GERMANY + L"b", 1, 1, L"a" + GERMANY + L"b", 1},
        {L"a" + FRANCE + GERMANY + L"b", 9, -1, L"a" + FRANCE + L"b", 5},
        {L"x" + THUMB + L"y", 5, -1, L"xy", 1},
        {L"x" + ACUTE_E + L"y", 1, 1, L"xy", 1},
        {L"x" + MATH_A + L"y", 3, -1, L"xy", 1},
        {L"ab\n" + SMILE, 3, -1, L"ab" + SMILE, 2},
        // A count reaching into a character takes all of it; a caret is never put inside a pair.
        {L"a" + FAMILY + L"b", 1, 4, L"ab", 1},
        {SMILE + SMILE, 1, 1, SMILE, 0},
    };
    for (const auto& c : cases) {
        load(c.text);
        select(c.caret, c.caret);
        deleteChars(c.count);
        EXPECT_EQ(c.result, text()) << c.caret << " " << c.count;
        EXPECT_EQ(std::make_pair(c.after, c.after), offsetsOf(*controller)) << c.caret << " " << c.count;
        ASSERT_TRUE(controller->undo());
        EXPECT_EQ(c.text, text()) << "one undo step";
    }
}

TEST_F(ControllerCharactersTest, DeletingAtSeveralCaretsActsAtEachInOneUndoStep) {
    load(L"axb\ncyd\nezf");
    caretsAt({1, 5, 9});
    deleteChars(-1);
    EXPECT_EQ(L"xb\nyd\nzf", text());
    EXPECT_EQ((std::vector<int32_t>{0, 3, 6}), caretOffsets()) << "the carets stay, each where its text went";
    deleteChars(1);
    EXPECT_EQ(L"b\nd\nf", text());
    ASSERT_TRUE(controller->undo());
    EXPECT_EQ(L"xb\nyd\nzf", text()) << "one undo step";
    EXPECT_EQ((std::vector<int32_t>{0, 3, 6}), caretOffsets()) << "the carets come back with it";
    ASSERT_TRUE(controller->undo());
    EXPECT_EQ(L"axb\ncyd\nezf", text());

    // Emoji, flags and families whole at each caret; carets whose deletions meet become one.
    load(SMILE + L"|" + FRANCE + GERMANY + L"|" + FAMILY + FAMILY);
    caretsAt({2, 7, 20});
    deleteChars(-1);
    EXPECT_EQ(L"|" + GERMANY + L"|" + FAMILY, text());
    EXPECT_EQ((std::vector<int32_t>{0, 1, 6}), caretOffsets());
    caretsAt({0, 1});
    deleteChars(1);
    EXPECT_EQ(L"|" + FAMILY, text());
    EXPECT_EQ((std::vector<int32_t>{0}), caretOffsets()) << "two carets met";

    // A caret beside a range: the range's text goes, the caret takes its character.
    load(L"abc def");
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        std::vector<SelectionRange> ranges = {{1, 1, 1}, {4, 7, 2}};
        selection().applyRanges(ranges);
        controller->deleteChars(-1);
    }
    EXPECT_EQ(L"bc ", text());
    EXPECT_EQ((std::vector<int32_t>{0, 3}), caretOffsets());
}

TEST_F(ControllerCharactersTest, NoEditSplitsASurrogatePairWhereverTheCallersAim) {
    load(L"a" + SMILE + L"b" + SMILE);
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->removeAt(1, 2); // the low half of the first smile
    }
    EXPECT_EQ(L"ab" + SMILE, text()) << "the pair went whole";
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->insertAt(1, 3, L"x"); // between the halves of the smile
    }
    EXPECT_EQ(L"abx" + SMILE, text());
    select(4, 4);
    EXPECT_EQ(std::make_pair(3, 3), offsetsOf(*controller)) << "no caret inside a pair";
    select(1, 4);
    EXPECT_EQ(std::make_pair(1, 3), offsetsOf(*controller));
}

TEST_F(ControllerCharactersTest, ColumnsAndCountsGoByCharacters) {
    load(L"a" + SMILE + L"b\n" + FAMILY + L"\tz");
    // One column per unit, but a column inside a character gives its start, as inside a tab.
    EXPECT_EQ(TextPosition(0, 1), controller->getColumnPosition(0, 2));
    EXPECT_EQ(TextPosition(0, 3), controller->getColumnPosition(0, 3));
    EXPECT_EQ(TextPosition(1, 0), controller->getColumnPosition(1, 5));
    EXPECT_EQ(TextPosition(1, 8), controller->getColumnPosition(1, 8));
    const auto column = [&](const TextPosition& position) {
        Lock read(*controller, DocumentController::LOCK_READ);
        return controller->getCharacterColumn(position);
    };
    EXPECT_EQ(2, column(TextPosition(0, 3)));
    EXPECT_EQ(3, column(TextPosition(0, 4)));
    EXPECT_EQ(1, column(TextPosition(0, 1)));
    EXPECT_EQ(5, column(TextPosition(0, 6, true))) << "virtual columns count one each";
    EXPECT_EQ(2, column(TextPosition(1, 9)));
    EXPECT_EQ(1, column(TextPosition(1, 3))) << "inside the family: it began before";
    // Edits before the last count and after it.
    select(4, 4);
    type(SMILE);
    EXPECT_EQ(4, column(TextPosition(0, 6)));
    select(0, 0);
    type(FAMILY);
    EXPECT_EQ(5, column(TextPosition(0, 14)));
    EXPECT_EQ(2, column(TextPosition(0, 9)));
    select(17, 17);
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->deleteChars(1);
    }
    EXPECT_EQ(3, column(TextPosition(0, 11)));
}

// Random edits over texts rich in pairs, joined emoji, flags and line breaks, at offsets aimed
// anywhere (inside pairs too): no edit leaves an unpaired half that was not there, no caret
// stands inside a pair, and a deletion at a caret between characters leaves whole characters.
TEST_F(ControllerCharactersTest, RandomEditsOverRichTextKeepEveryCharacterWhole) {
    std::mt19937 random(20250612);
    const auto pick = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    const auto atoms = [&](int count) {
        std::wstring made;
        for (int i = 0; i < count; ++i)
            made += ATOMS[pick(0, static_cast<int32_t>(sizeof ATOMS / sizeof ATOMS[0]) - 1)];
        return made;
    };
    load(atoms(40));
    for (int step = 0; step < 3000; ++step) {
        const std::wstring before = text();
        const int32_t length = static_cast<int32_t>(before.size());
        const int32_t kind = pick(0, 9);
        bool atCaret = false;
        {
            Lock edit(*controller, DocumentController::LOCK_EDIT);
            if (kind <= 1) {
                // A caret between characters, then Backspace or Delete by one to three units.
                const std::vector<int32_t> starts = atomStarts(before);
                const int32_t at = starts[static_cast<size_t>(pick(0, static_cast<int32_t>(starts.size()) - 1))];
                selection().setOffsets(at, at, selection_ids::NORMAL);
                controller->deleteChars(kind == 0 ? -pick(1, 3) : pick(1, 3));
                atCaret = true;
            } else if (kind == 2) {
                std::vector<SelectionRange> carets;
                const std::vector<int32_t> starts = atomStarts(before);
                for (int i = pick(2, 4); i > 0; --i) {
                    const int32_t at = starts[static_cast<size_t>(pick(0, static_cast<int32_t>(starts.size()) - 1))];
                    carets.emplace_back(at, at, static_cast<int32_t>(carets.size()) + 1);
                }
                const auto before = [](const SelectionRange& a, const SelectionRange& b) { return a.start < b.start; };
                const auto same = [](const SelectionRange& a, const SelectionRange& b) { return a.start == b.start; };
                std::sort(carets.begin(), carets.end(), before);
                carets.erase(std::unique(carets.begin(), carets.end(), same), carets.end());
                selection().applyRanges(carets);
                controller->deleteChars(pick(0, 1) ? -1 : 1);
                atCaret = true;
            } else if (kind == 3) {
                controller->removeAt(pick(-4, 4), pick(0, length));
            } else if (kind == 4) {
                const std::wstring inserted = atoms(pick(1, 3));
                controller->insertAt(static_cast<int32_t>(inserted.size()), pick(0, length), inserted.c_str());
            } else if (kind == 5) {
                selection().setOffsets(pick(0, length), pick(0, length), selection_ids::NORMAL);
                controller->insertString(atoms(pick(0, 2)));
            } else if (kind == 6) {
                selection().setOffsets(pick(0, length), pick(0, length), selection_ids::NORMAL);
                controller->typeOutsideText(atoms(pick(1, 4)));
            } else if (kind == 7) {
                selection().setOffsets(pick(0, length), pick(0, length), selection_ids::NORMAL);
                controller->deleteChars(pick(-2, 2));
            } else if (kind == 8 && length < 2000) {
                const std::wstring inserted = atoms(pick(5, 30));
                controller->insertAt(static_cast<int32_t>(inserted.size()), length, inserted.c_str());
            }
        }
        if (kind == 9)
            pick(0, 1) ? controller->undo() : controller->redo();
        const std::wstring after = text();
        ASSERT_LE(unpairedHalves(after), unpairedHalves(before)) << "step " << step << " kind " << kind;
        for (const SelectionRange& range : selection().getRanges()) {
            for (int32_t end : {range.start, range.end})
                ASSERT_FALSE(pel::splitsPair(after, end, static_cast<int32_t>(after.size())))
                    << "step " << step << " kind " << kind << ": a caret inside a pair";
        }
        if (atCaret && madeOfAtoms(before)) {
            ASSERT_TRUE(madeOfAtoms(after)) << "step " << step << " kind " << kind << ": a character was cut";
        }
        // Afresh now and then: edits at random offsets may leave a text no longer made of whole
        // characters, which the deletions at carets are checked on.
        if (after.size() > 3000 || step % 100 == 99)
            load(atoms(40));
    }
}

// A column of carets (Alt+Down's, or those an edit at one left): Backspace at a caret at its
// line's start and Delete at one at its line's end take nothing on that line, press after press,
// so that no line joins another; carets set otherwise join lines as before. Undo brings the
// column back.
TEST_F(ControllerCharactersTest, AnEditAtAColumnOfCaretsNeverJoinsLines) {
    load(L"xab\n" + FRANCE + L"hi\nyab");
    columnFrom(TextPosition(0, 1), 2);
    EXPECT_EQ((std::vector<int32_t>{1, 4, 12}), caretOffsets()) << "inside the flag: at its start";
    EXPECT_TRUE(selection().isColumn());
    deleteChars(-1);
    EXPECT_EQ(L"ab\n" + FRANCE + L"hi\nab", text());
    EXPECT_EQ((std::vector<int32_t>{0, 3, 10}), caretOffsets());
    deleteChars(-1);
    EXPECT_EQ(L"ab\n" + FRANCE + L"hi\nab", text()) << "each caret at its line's start";
    EXPECT_EQ((std::vector<int32_t>{0, 3, 10}), caretOffsets());
    for (int step = 0; step < 5 && text() != L"xab\n" + FRANCE + L"hi\nyab"; ++step)
        ASSERT_TRUE(controller->undo());
    EXPECT_EQ(L"xab\n" + FRANCE + L"hi\nyab", text());
    EXPECT_TRUE(selection().isColumn()) << "the column came back with the text";
    EXPECT_EQ((std::vector<int32_t>{1, 4, 12}), caretOffsets());

    // Delete at the lines' ends; a caret at the end of the last line has nothing after it.
    load(L"ab\ncd\nef");
    caretsAt({2, 5, 8}, true);
    deleteChars(1);
    EXPECT_EQ(L"ab\ncd\nef", text());
    caretsAt({1, 4, 7}, true);
    deleteChars(1);
    deleteChars(1);
    EXPECT_EQ(L"a\nc\ne", text());
    EXPECT_EQ((std::vector<int32_t>{1, 3, 5}), caretOffsets());
    // Carets that are no column's join lines as before.
    load(L"ab\ncd\nef");
    caretsAt({3, 6});
    deleteChars(-1);
    EXPECT_EQ(L"abcdef", text());
    EXPECT_FALSE(selection().isColumn());
}

// Characters longer than the view's piece of a long line go whole at a caret, at several and at a
// column's, before them or after them, with text around them on their lines; undo brings them
// back.
TEST_F(ControllerCharactersTest, CharactersLongerThanAPieceGoWholeAtEveryCaret) {
    const std::wstring text0 = L"x" + MARKED_E + L"y\n" + CHAIN + L"z\nab";
    const int32_t second = static_cast<int32_t>(MARKED_E.size()) + 3;
    const int32_t third = second + static_cast<int32_t>(CHAIN.size()) + 2;
    load(text0);
    EXPECT_EQ(1 + static_cast<int32_t>(MARKED_E.size()), controller->nextCharacter(1));
    EXPECT_EQ(second, controller->previousCharacter(second + static_cast<int32_t>(CHAIN.size())));
    EXPECT_EQ(1, controller->characterStart(20000));
    EXPECT_EQ(second - 2, controller->characterEnd(20000));
    select(second - 2, second - 2);
    deleteChars(-1);
    EXPECT_EQ(L"xy\n" + CHAIN + L"z\nab", text()) << "Backspace after the marked letter";
    ASSERT_TRUE(controller->undo());
    select(second, second);
    deleteChars(1);
    EXPECT_EQ(L"x" + MARKED_E + L"y\nz\nab", text()) << "Delete before the chain";
    ASSERT_TRUE(controller->undo());
    for (bool column : {false, true}) {
        caretsAt({second - 2, third - 2, third + 1}, column);
        deleteChars(-1);
        EXPECT_EQ(L"xy\nz\nb", text()) << column;
        EXPECT_EQ((std::vector<int32_t>{1, 3, 5}), caretOffsets()) << column;
        ASSERT_TRUE(controller->undo());
        EXPECT_EQ(text0, text()) << column;
        caretsAt({1, second, third}, column);
        deleteChars(1);
        EXPECT_EQ(L"xy\nz\nb", text()) << column;
        ASSERT_TRUE(controller->undo());
    }
    EXPECT_TRUE(controller->isCharacterStart(1));
    EXPECT_FALSE(controller->isCharacterStart(30000));
}
