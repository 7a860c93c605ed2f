#include "editor/LineCache.h"
#include "editor/EditorTestSupport.h"

#include "afw/unicode/afUnicode.h"
#include "pel/base/Exception.h"
#include "pel/text/CharacterBoundaries.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <random>
#include <set>
#include <vector>

using namespace tessel;
using namespace tessel_test;

namespace {

class LineCacheTest : public DocumentFixture {
protected:
    LineCacheTest() : layout(afUnicodeFontManager::instance().getEditorFontSet()), cache(layout) {}
    // The cache over the text, with the stand-in layout unless real is asked for.
    void attach(const std::wstring& text, bool real = false) {
        load(text);
        if (!real)
            cache.setLayoutStep(fakeLayout);
        cache.attachController(controller);
    }
    void wrap() { layout.setWrapWidth(1000); }
    SubLineIterator at(int32_t line, int32_t subline) { return cache.makeIterator(line, subline); }
    static std::pair<int, int> pos(const SubLineIterator& it) { return {it.line, it.subline}; }

    afUnicode layout;
    LineCache cache;
};

TEST_F(LineCacheTest, EmptyCacheAndOutOfRangeLines) {
    cache.reset(0);
    EXPECT_EQ(0, cache.getLineCount());
    EXPECT_EQ(std::make_pair(-1, 0), pos(cache.end()));
    EXPECT_EQ(1, cache.getSubLineCount(0, true));
    EXPECT_EQ(0, cache.getSubLineCount(0, false));
    EXPECT_EQ(nullptr, cache.getLayout(0)) << "no controller";
    // Drops and moves on an empty cache change nothing.
    cache.dropLines(0, 3);
    cache.dropLinesUpTo(2);
    cache.dropLinesFrom(0);
    cache.markRedraw(0, 5);
    cache.removeLines(0, 3);
    cache.insertLines(5, 2);
    EXPECT_EQ(2, cache.getLineCount()) << "the index is clamped to the line count";
    attach(L"a\nb");
    EXPECT_EQ(nullptr, cache.getLayout(-1));
    EXPECT_EQ(nullptr, cache.getLayout(2));
}

TEST_F(LineCacheTest, SlotsAreReusedLeastRecentlyUsedFirst) {
    attach(numberedLines(300));
    for (int line = 0; line < 200; ++line)
        ASSERT_NE(nullptr, cache.getLayout(line));
    cache.getLayout(0); // line 0 is now the most recent; line 1 the least
    EXPECT_EQ(200u, cache.getBuildCount());
    cache.getLayout(200);
    EXPECT_EQ(201u, cache.getBuildCount());
    std::set<int32_t> held;
    for (int slot = 0; slot < LineCache::SLOTS; ++slot)
        held.insert(cache.slotLine(slot));
    EXPECT_EQ(0u, held.count(1)) << "the least recently used line gave its slot";
    EXPECT_EQ(1u, held.count(0));
    const afUnicodeData* line5 = cache.getLayout(5);
    EXPECT_EQ(201u, cache.getBuildCount()) << "a cached line builds nothing";
    EXPECT_EQ(L"line 5", line5->text);
}

TEST_F(LineCacheTest, DropsKeepWhatTheyShould) {
    attach(numberedLines(20));
    for (int line = 0; line < 20; ++line)
        cache.getLineEntry(line);
    const uint64_t built = cache.getBuildCount();
    cache.dropLinesUpTo(5);
    EXPECT_EQ(built, cache.getBuildCount());
    cache.getLineEntry(5);
    EXPECT_EQ(built, cache.getBuildCount()) << "entry 5 stays measured";
    cache.getLineEntry(4);
    EXPECT_EQ(built + 1, cache.getBuildCount()) << "entry 4 was reset";
    cache.getLayout(5);
    EXPECT_EQ(built + 2, cache.getBuildCount()) << "the layout of line 5 was freed";

    cache.insertLines(3, 2);
    const uint64_t before = cache.getBuildCount();
    EXPECT_EQ(L"line 7", cache.getLayout(9)->text) << "the layout cached for line 7 answers for line 9";
    EXPECT_EQ(before, cache.getBuildCount());
    cache.getLayout(3);
    EXPECT_EQ(before + 1, cache.getBuildCount()) << "line 3 is laid out again";

    cache.removeLines(18, 100);
    EXPECT_EQ(18, cache.getLineCount()) << "the count is clamped to the lines there";
}

TEST_F(LineCacheTest, IteratorsStepAcrossSublines) {
    attach(L"a|b\nc\nd|e|f\ng");
    wrap();
    EXPECT_EQ(std::make_pair(2, 0), pos(at(0, 1).advance(2)));
    EXPECT_EQ(std::make_pair(1, 0), pos(at(2, 0).retreat(1)));
    EXPECT_EQ(std::make_pair(1, 0), pos(at(2, 0).advance(-1)));
    EXPECT_EQ(5, cache.getDistance(at(0, 0), at(2, 2)));
    EXPECT_EQ(-5, cache.getDistance(at(2, 2), at(0, 0)));
    EXPECT_EQ(std::make_pair(3, 1), pos(cache.end()));
    SubLineIterator before = at(-3, 7);
    EXPECT_TRUE(before.normalize());
    EXPECT_EQ(std::make_pair(0, 0), pos(before));
    SubLineIterator past = at(9, 0);
    EXPECT_EQ(SubLineIterator::PAST_END, past.state());
    EXPECT_TRUE(past.normalize());
    EXPECT_EQ(std::make_pair(3, 1), pos(past));
    EXPECT_FALSE(past.normalize());
    EXPECT_TRUE(at(0, 9) == at(0, 1)) << "compared by clamped subline";
    EXPECT_TRUE(at(0, 1) < at(1, 0));

    layout.setWrapWidth(0);
    const uint64_t built = cache.getBuildCount();
    EXPECT_EQ(std::make_pair(10, 0), pos(at(0, 0).advance(10)));
    EXPECT_EQ(10, cache.getDistance(at(0, 0), at(10, 0)));
    EXPECT_EQ(built, cache.getBuildCount()) << "unwrapped steps measure nothing";
}

TEST_F(LineCacheTest, WidestColumnsGrowOnlyAndTellTheListener) {
    attach(L"abcd\nabcdefgh\nab", true);
    std::vector<int32_t> told;
    cache.setWidthListener([&](int32_t columns) { told.push_back(columns); });
    cache.getLayout(0);
    cache.getLayout(1);
    cache.getLayout(2);
    const int average = layout.getAverageCharWidth();
    ASSERT_EQ(2u, told.size());
    EXPECT_EQ(cache.getLayout(1)->widestWidth / average, told.back());
    cache.dropAll();
    cache.getLayout(2);
    EXPECT_EQ(told.back(), cache.getWidestColumns()) << "never shrinks";
}

TEST_F(LineCacheTest, FailedLayoutThrowsAndIsBuiltAgain) {
    attach(L"one\ntwo");
    bool fail = true;
    cache.setLayoutStep([&](afUnicodeData& data) { return !fail && fakeLayout(data); });
    try {
        cache.getLayout(1);
        FAIL() << "no exception";
    } catch (const pel::IllegalStateException& error) {
        EXPECT_EQ(L"Unicode processing failed.", error.message);
    }
    for (int slot = 0; slot < LineCache::SLOTS; ++slot)
        EXPECT_EQ(-1, cache.slotLine(slot)) << "the half-built record is not kept";
    fail = false;
    const uint64_t built = cache.getBuildCount();
    EXPECT_EQ(L"two", cache.getLayout(1)->text);
    EXPECT_EQ(built + 1, cache.getBuildCount());
}

// A grammar change gives the style indexes out again from the start, and a theme change gives
// them other looks: the same indexes then may stand for other fonts and colours.
TEST_F(LineCacheTest, LayoutsMadeBeforeTheStylesWereDroppedAreMadeAgainThoughTheirIndexesAreTheSame) {
    attach(L"one\ntwo");
    ASSERT_NE(nullptr, cache.getLayout(0));
    ASSERT_NE(nullptr, cache.getLayout(1));
    const uint64_t built = cache.getBuildCount();
    EXPECT_TRUE(cache.holdsCurrentLayouts(0, 1));
    document->resetGrammarState(nullptr, true);
    EXPECT_FALSE(cache.holdsCurrentLayouts(0, 1)) << "after a grammar change";
    cache.getLayout(0);
    EXPECT_EQ(built + 1, cache.getBuildCount());
    EXPECT_TRUE(cache.holdsCurrentLayouts(0, 0));
    EXPECT_FALSE(cache.holdsCurrentLayouts(1, 1));
    document->getStyler().setTheme(nullptr);
    EXPECT_FALSE(cache.holdsCurrentLayouts(0, 0)) << "after a theme change";
    cache.getLayout(0);
    cache.getLayout(0);
    EXPECT_EQ(built + 2, cache.getBuildCount()) << "made once for the new styles";
}

TEST_F(LineCacheTest, RandomEditsKeepEveryRecordTrue) {
    attach(numberedLines(400));
    controller->inserted().add(this, [this](DocumentController&, const TextChange& change) {
        if (change.lineBreaks > 0)
            cache.insertLines(change.firstLine, change.lineBreaks);
        else
            cache.dropLines(change.firstLine, change.firstLine);
    });
    controller->removed().add(this, [this](DocumentController&, const TextChange& change) {
        if (change.lineBreaks > 0)
            cache.removeLines(change.firstLine, change.lineBreaks);
        cache.dropLines(change.firstLine, change.firstLine);
    });
    std::mt19937 random(52);
    for (int step = 0; step < 10000; ++step) {
        const int32_t lines = controller->getLineCount();
        const int32_t line = static_cast<int32_t>(random() % lines);
        switch (random() % 8) {
        case 0: {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            const std::wstring texts[] = {L"x", L"\n", L"a\nb\n", L"\n\n\n"};
            const std::wstring& text = texts[random() % 4];
            const int32_t offset = document->getLineStart(line) + std::min<int32_t>(random() % 3, document->getLineLength(line));
            controller->insertAt(static_cast<int32_t>(text.size()), offset, text.c_str());
            break;
        }
        case 1: {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            const int32_t start = document->getLineStart(line);
            const int32_t length = std::min<int32_t>(static_cast<int32_t>(random() % 20), document->getLength() - start);
            controller->removeAt(length, start);
            break;
        }
        case 2: cache.dropLines(line, line + static_cast<int32_t>(random() % 5)); break;
        case 3: cache.markRedraw(line, line + 3); break;
        default: cache.getLayout(line); break;
        }
        if (step % 50 != 0 && step < 9990)
            continue;
        std::set<int32_t> held;
        for (int slot = 0; slot < LineCache::SLOTS; ++slot) {
            const int32_t at = cache.slotLine(slot);
            if (at < 0)
                continue;
            ASSERT_TRUE(held.insert(at).second) << "line " << at << " in two slots, step " << step;
            ASSERT_EQ(lineText(at), cache.getLayout(at)->text) << "line " << at << ", step " << step;
        }
        ASSERT_EQ(controller->getLineCount(), cache.getLineCount()) << step;
    }
}

TEST_F(LineCacheTest, LongLineGivesItsMemoryBack) {
    attach(std::wstring(1000000, L'x') + L"\n" + numberedLines(200), true);
    const size_t before = cache.heldBytes();
    ASSERT_NE(nullptr, cache.getLayout(0));
    EXPECT_EQ(LineCache::PIECE_LENGTH, static_cast<int32_t>(cache.getLayout(0)->text.size()))
        << "a line of a million characters lays out its first piece only";
    EXPECT_LE(cache.heldBytes() - before, size_t(1) << 20) << "a piece's layout takes a megabyte at most";
    for (int line = 1; line <= 200; ++line)
        cache.getLayout(line);
    EXPECT_LT(cache.heldBytes(), 4u << 20);
    EXPECT_EQ(8u, sizeof(LineCache::Entry));
}

// Stands in for the layout's memory as well: about 25 bytes a character with the text and styles.
bool heavyFakeLayout(afUnicodeData& data) {
    const size_t length = data.text.size();
    data.logAttrs.resize(length);
    data.logClusters.resize(length);
    data.glyphs.resize(length);
    data.visAttrs.resize(length);
    data.offsets.resize(length);
    data.advances.resize(length);
    return fakeLayout(data);
}

TEST_F(LineCacheTest, LongLinesPagedThroughStayWithinTheByteBudget) {
    const int32_t lines = 150;
    const std::wstring row(1000000, L'x');
    load(L"");
    for (int32_t line = 0; line < lines; ++line) {
        {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            document->insert(document->getLength(), line + 1 < lines ? row + L"\n" : row);
        }
        document->clearUndo();
    }
    cache.setLayoutStep(heavyFakeLayout);
    cache.attachController(controller);
    std::pair<int32_t, int32_t> shown(0, -1);
    LineCache::Screen screen;
    cache.setScreen([&] {
        // The rows shown, the last counting as the row after the others, at the x paged to.
        screen.first = shown.first;
        screen.last = shown.second - 1;
        return screen;
    });
    // Screens of 3 and 50 rows, scrolled to the lines' starts and far into them: what shows is
    // laid out, a piece or two a line, and the rest of the lines costs nothing.
    for (int32_t rows : {3, 50}) {
        for (int32_t x : {0, 4000000, 7990000}) {
            screen.left = screen.right = x;
            for (int32_t first = 0; first < lines; first += rows) {
                shown = {first, std::min(first + rows, lines) - 1};
                for (int32_t line = shown.first; line <= shown.second; ++line) {
                    const LineCache::Piece piece = cache.pieceAtX(line, x);
                    ASSERT_NE(nullptr, piece.data) << line;
                    ASSERT_LE(piece.x, x) << line;
                    ASSERT_GT(piece.x + piece.data->widestWidth, x) << line;
                    ASSERT_LE(piece.data->text.size(), size_t(LineCache::PIECE_LENGTH)) << line;
                }
                ASSERT_LE(cache.heldBytes(), LineCache::BYTE_BUDGET) << rows << " rows from " << first;
                // Every piece on screen kept its layout.
                const uint64_t built = cache.getBuildCount();
                for (int32_t line = shown.first; line <= shown.second; ++line)
                    cache.pieceAtX(line, x);
                ASSERT_EQ(built, cache.getBuildCount()) << rows << " rows from " << first;
            }
        }
    }
}

// A line of words, its seams after blanks: word i is "w<i>" padded to a fixed width.
std::wstring wordsLine(int32_t words) {
    std::wstring text;
    for (int32_t i = 0; i < words; ++i) {
        std::wstring word = L"w" + std::to_wstring(i);
        word.resize(7, L'.');
        text += word + L' ';
    }
    return text;
}

TEST_F(LineCacheTest, APiecedLineCoversEveryCharacterOnceAndCutsAfterBlanks) {
    cache.setPieceLength(100);
    std::wstring text = wordsLine(400); // 3,200 characters
    // A pair and a combining mark where a seam without blanks would fall.
    text += std::wstring(150, L'y') + L"\xD83D\xDE00" + std::wstring(97, L'z') + L"e\x0301" + std::wstring(300, L'q');
    attach(text);
    const int32_t count = cache.pieceCount(0);
    ASSERT_GT(count, 35);
    int32_t at = 0;
    int64_t x = 0;
    for (int32_t index = 0; index < count; ++index) {
        const LineCache::Piece piece = cache.piece(0, index);
        ASSERT_EQ(at, piece.start) << index;
        ASSERT_EQ(index + 1 == count, piece.last) << index;
        ASSERT_EQ(text.substr(static_cast<size_t>(piece.start), static_cast<size_t>(piece.end - piece.start)),
                  piece.data->text)
            << index;
        ASSERT_EQ(x, piece.x) << "the pieces before it are measured: it starts where they end";
        if (piece.start > 0 && piece.start < 3200) {
            EXPECT_EQ(L' ', text[static_cast<size_t>(piece.start - 1)]) << index;
        }
        EXPECT_FALSE(IS_LOW_SURROGATE(text[static_cast<size_t>(piece.start)])) << index;
        EXPECT_NE(L'\x0301', text[static_cast<size_t>(piece.start)]) << index;
        // Every offset of the piece finds it; its end finds it only as the end of the previous.
        EXPECT_EQ(index, cache.pieceAt(0, piece.start, false).index);
        EXPECT_EQ(index, cache.pieceAt(0, piece.end - 1, false).index);
        EXPECT_EQ(index, cache.pieceAt(0, piece.end, true).index);
        EXPECT_EQ(index, cache.pieceAtX(0, piece.x).index);
        at = piece.end;
        x += piece.data->widestWidth;
    }
    EXPECT_EQ(static_cast<int32_t>(text.size()), at);
    EXPECT_EQ(count - 1, cache.pieceAt(0, static_cast<int32_t>(text.size()) + 50, false).index);
    EXPECT_EQ(static_cast<int32_t>(x), cache.getLineEntry(0).width) << "once all are laid out, the line is measured";
}

// Where no blank is near, a seam falls between two characters as a reader sees them, never
// inside a family joined by ZWJ, between a flag's two letters or between an emoji and its skin
// tone.
TEST_F(LineCacheTest, APiecedLineWithoutBlanksIsCutOnlyBetweenCharacters) {
    cache.setPieceLength(100);
    const std::wstring units[] = {L"\U0001F468\u200D\U0001F469\u200D\U0001F467", L"\U0001F1EB\U0001F1F7",
                                  L"\U0001F44D\U0001F3FD", L"e\u0301\u0302", L"\U0001F1E9\U0001F1EA"};
    std::wstring text;
    std::set<int32_t> starts;
    for (int i = 0; text.size() < 3000; ++i) {
        starts.insert(static_cast<int32_t>(text.size()));
        text += units[i % 5];
    }
    attach(text);
    const int32_t count = cache.pieceCount(0);
    ASSERT_GT(count, 25);
    for (int32_t index = 0; index < count; ++index)
        EXPECT_EQ(1u, starts.count(cache.piece(0, index).start)) << "piece " << index << " starts inside a character";
}

TEST_F(LineCacheTest, AnUnmeasuredPieceIsEstimatedAndTheLineFollowsWhatItsPiecesMeasure) {
    cache.setPieceLength(100);
    // A fake layout eight pixels a character, rows at each '|'.
    std::wstring text = wordsLine(100);
    text[250] = L'|';
    text[251] = L'|';
    attach(text + L"\nshort");
    // Unwrapped, the pieces lie side by side, each as wide as its length makes it.
    const LineCache::Entry before = cache.getLineEntry(0);
    EXPECT_EQ(0u, cache.getBuildCount()) << "a long line's measure lays nothing out";
    EXPECT_EQ(static_cast<int32_t>(text.size()) * layout.getAverageCharWidth(), before.width);
    EXPECT_EQ(1, before.sublines);
    wrap();
    cache.dropAll();
    // The piece holding the bars wraps into three rows: the line's rows and the rows of the
    // pieces after it follow.
    const LineCache::Piece bars = cache.pieceAt(0, 250, false);
    EXPECT_EQ(3, bars.data->sublineCount());
    const int32_t rows = cache.getLineEntry(0).sublines;
    const LineCache::Piece next = cache.piece(0, bars.index + 1);
    EXPECT_EQ(bars.firstSubline + 3, next.firstSubline);
    EXPECT_EQ(next.index, cache.pieceOnRow(0, bars.firstSubline + 3).index);
    EXPECT_EQ(bars.index, cache.pieceOnRow(0, bars.firstSubline + 2).index);
    EXPECT_LE(rows, cache.getLineEntry(0).sublines);
    // An edit that changes the line's length starts again from estimates.
    load(text.substr(10) + L"\nshort");
    cache.attachController(controller);
    EXPECT_EQ(cache.pieceCount(0), static_cast<int32_t>((text.size() - 10 + 99) / 100));
}

// Stands in for the layout with caret stops as well: one where a character starts in the
// record's own text, found as the layout finds them.
bool stopsLayout(afUnicodeData& data) {
    fakeLayout(data);
    const int length = static_cast<int>(data.text.size());
    data.laidLength = length;
    data.logAttrs.assign(static_cast<size_t>(length), SCRIPT_LOGATTR{});
    pel::CharacterBoundaries characters;
    characters.setText(data.text.data(), length);
    for (int at = 0; at < length; at = characters.following(at))
        data.logAttrs[static_cast<size_t>(at)].fCharStop = 1;
    return true;
}

// One character of about `units` units (at least 1): a letter and its marks, emoji joined by
// ZWJ, or a run of Hangul leading consonants.
std::wstring clusterOf(int32_t units, int kind) {
    if (kind == 0)
        return L"e" + std::wstring(static_cast<size_t>(std::max(units - 1, 0)), L'\x0301');
    if (kind == 1 && units >= 2) {
        std::wstring chain = L"\U0001F468";
        while (static_cast<int32_t>(chain.size()) + 3 <= units)
            chain += L"\u200D\U0001F469";
        return chain;
    }
    return std::wstring(static_cast<size_t>(units), L'\x1100');
}

class LineCacheClustersTest : public LineCacheTest {
protected:
    // Tells the cache of each edit as the editor does.
    void followEdits() {
        auto told = [this](const TextChange& change, bool inserted) {
            const int32_t offset = change.offset - document->getLineStart(change.firstLine);
            if (change.lineBreaks > 0) {
                cache.noteEdit(change.firstLine, offset);
                if (inserted) {
                    cache.insertLines(change.firstLine, change.lineBreaks);
                } else {
                    cache.removeLines(change.firstLine, change.lineBreaks);
                    cache.dropLines(change.firstLine, change.firstLine);
                }
                return;
            }
            cache.noteLineEdit(change.firstLine, offset, inserted ? 0 : change.length, inserted ? change.length : 0,
                               change.text);
        };
        controller->inserted().add(this, [told](DocumentController&, const TextChange& change) { told(change, true); });
        controller->removed().add(this, [told](DocumentController&, const TextChange& change) { told(change, false); });
    }
    void replace(int32_t offset, int32_t removed, const std::wstring& text) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        if (removed > 0)
            controller->removeAt(removed, offset);
        if (!text.empty())
            controller->insertAt(static_cast<int32_t>(text.size()), offset, text.c_str());
    }

    // Whether the line's pieces hold its text, each after the one before, starting where a
    // character starts, none longer than a piece may be unless one character fills it; whether
    // each record has a caret stop where each of its characters starts and nowhere else, and
    // stands after the widths (unwrapped) or rows (wrapped) of the pieces before it; and whether
    // the line then measures what its pieces measure.
    testing::AssertionResult recordsTrue(int32_t line) {
        const std::wstring text = lineText(line);
        const int32_t length = static_cast<int32_t>(text.size());
        const int32_t lineStart = document->getLineStart(line);
        const int32_t count = cache.pieceCount(line);
        const bool unwrapped = cache.isUnwrapped();
        int32_t at = 0;
        int64_t x = 0, rows = 0;
        for (int32_t index = 0; index < count; ++index) {
            const LineCache::Piece piece = cache.piece(line, index);
            auto failure = [&] {
                return testing::AssertionFailure() << "line " << line << " (" << length << " units), piece " << index
                                                   << " of " << count << " at " << piece.start << ".." << piece.end
                                                   << ": ";
            };
            const bool oneCharacter = controller->nextCharacter(lineStart + piece.start) == lineStart + piece.end;
            if (piece.start != at || (piece.end == piece.start && length > 0) || piece.last != (index + 1 == count))
                return failure() << "not after the piece before, " << at;
            if (!controller->isCharacterStart(lineStart + piece.start))
                return failure() << "starts inside a character";
            if (count > 1 && piece.end - piece.start > LineCache::PIECE_LENGTH * 9 / 8 && !oneCharacter)
                return failure() << "longer than a piece, and not one character";
            const size_t from = static_cast<size_t>(piece.start), units = static_cast<size_t>(piece.end - piece.start);
            if (!piece.data || !piece.data->laidOut || piece.data->text != text.substr(from, units))
                return failure() << "does not hold its text";
            // The caret stops: the document's characters, each where the record has a stop.
            int32_t stop = piece.start;
            for (int32_t local = 0; local < piece.end - piece.start; ++local) {
                const bool stops = (piece.data->logicalAttribute(local) & AF_CHARACTER_STOP) != 0;
                if (stops != (piece.start + local == stop))
                    return failure() << "a caret stop at " << piece.start + local << " is " << stops
                                     << ", the character there starts at " << stop;
                if (stops)
                    stop = controller->nextCharacter(lineStart + stop) - lineStart;
            }
            if (unwrapped ? piece.x != x : piece.firstSubline != rows)
                return failure() << "placed at " << (unwrapped ? piece.x : piece.firstSubline) << ", not after "
                                 << (unwrapped ? x : rows);
            x += std::max(piece.data->widestWidth, 1);
            rows += std::max(piece.data->sublineCount(), 1);
            at = piece.end;
        }
        if (at != length)
            return testing::AssertionFailure() << "line " << line << ": the pieces end at " << at << " of " << length;
        const LineCache::Entry& entry = cache.getLineEntry(line);
        if (count > 1 && (unwrapped ? entry.width != x || entry.sublines != 1 : entry.sublines != rows))
            return testing::AssertionFailure() << "line " << line << " measures " << entry.width << " by "
                                               << entry.sublines << ", its pieces " << x << " by " << rows;
        return testing::AssertionSuccess();
    }
};

// Characters of 1 to 100,000 units, around a piece's length and far beyond it, with text before
// and after them on their line, wrapped and not, grown, cut, split and joined by random edits:
// after every step each piece holds its text and starts where a character does, its caret stops
// are where the document's characters start, and it is placed after the widths or rows of those
// before it.
TEST_F(LineCacheClustersTest, CharactersOfAnyLengthKeepEveryRecordTrue) {
    attach(L"", false);
    cache.setLayoutStep(stopsLayout);
    followEdits();
    const int32_t L = LineCache::PIECE_LENGTH;
    const int32_t sizes[] = {1, 2, 3, L - 1, L, L + 1, L + L / 8, L + L / 8 + 1, 2 * L - 1, 2 * L + 1, 3 * L, 100000};
    const std::wstring inserts[] = {L" ", L"\t", L"ab", L"|", L"\U0001F1EB\U0001F1F7", L"\xD83D\xDE00", L"\x0301"};
    std::mt19937 random(103);
    auto below = [&](int32_t bound) {
        return bound > 0 ? static_cast<int32_t>(random() % static_cast<uint32_t>(bound)) : 0;
    };
    // Text around the characters: words and blanks, a row of its own where a bar is.
    auto words = [&](int32_t units) {
        std::wstring text;
        while (static_cast<int32_t>(text.size()) < units)
            text += below(6) == 0 ? L" " : below(40) == 0 ? L"|" : L"w";
        return text;
    };
    for (int step = 0; step < 360; ++step) {
        const int32_t length = document->getLength();
        const int32_t at = below(length + 1);
        const int kind = below(3);
        std::string what;
        switch (step % 12 == 0 ? 0 : 1 + below(7)) {
        case 0: {
            // A line anew: text, a character of a chosen or random length, text; a short line after.
            const int32_t units = below(4) == 0 ? 1 + below(100000) : sizes[(step / 12) % 12];
            const std::wstring line = words(below(2) ? below(3 * L) : 0) + clusterOf(units, kind) +
                                      words(below(2) ? below(2 * L) : 0) + L"\nnext";
            replace(0, length, line);
            what = "a line of a character of " + std::to_string(units);
            break;
        }
        case 1: {
            // The character at a place grown by marks, links or consonants like its own.
            const int32_t units = 1 + (below(3) ? below(64) : below(2 * L));
            replace(at, 0, clusterOf(units + 1, kind).substr(1));
            what = "grown at " + std::to_string(at);
            break;
        }
        case 2:
            replace(at, std::min(below(below(2) ? 8 : 3 * L), length - at), L"");
            what = "cut at " + std::to_string(at);
            break;
        case 3:
            replace(at, 0, L"b");
            what = "split at " + std::to_string(at);
            break;
        case 4: {
            replace(at, 0, L"\n");
            ASSERT_TRUE(recordsTrue(controller->offsetToPosition(at).line)) << "step " << step << ", a break at " << at;
            replace(at, 1, L"");
            what = "broken and joined at " + std::to_string(at);
            break;
        }
        case 5:
            layout.setWrapWidth(layout.isWrapEnabled() ? 0 : 200 + below(2000));
            cache.dropAll();
            what = "wrapped or not";
            break;
        default:
            replace(at, 0, inserts[below(7)]);
            what = "typed at " + std::to_string(at);
            break;
        }
        for (int32_t line = 0; line < controller->getLineCount(); ++line)
            ASSERT_TRUE(recordsTrue(line)) << "step " << step << ": " << what;
    }
}

} // namespace
