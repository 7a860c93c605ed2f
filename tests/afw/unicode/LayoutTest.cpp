#include "afw/support/TextLayout.h"
#include "afw/support/UniscribeSeam.h"
#include "pel/base/Exception.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <malloc.h>

using tessel_test::UniscribeSeam;

namespace {

class LayoutTest : public testing::Test {
protected:
    bool lay(const std::wstring& text) {
        tessel_test::fillRecord(data, text, layout.getTabSize());
        return layout.process(data);
    }
    std::vector<int> runs(int afUnicodeItem::*field) const {
        std::vector<int> values;
        for (const afUnicodeItem& run : data.items)
            values.push_back(run.*field);
        return values;
    }

    afUnicode layout{tessel_test::testFontSet()};
    afUnicodeData data;
};

// One Latin item per character.
HRESULT WINAPI itemizeEach(const WCHAR*, int count, int, const SCRIPT_CONTROL*, const SCRIPT_STATE*,
                           SCRIPT_ITEM* items, int* produced) {
    for (int i = 0; i <= count; ++i) {
        items[i] = SCRIPT_ITEM{};
        items[i].iCharPos = i;
        items[i].a.eScript = 1;
    }
    *produced = count;
    return S_OK;
}

// Character stops only every 1000 characters.
HRESULT WINAPI breakSparsely(const WCHAR*, int count, const SCRIPT_ANALYSIS*, SCRIPT_LOGATTR* attributes) {
    for (int i = 0; i < count; ++i) {
        attributes[i] = SCRIPT_LOGATTR{};
        attributes[i].fCharStop = i % 1000 == 0;
    }
    return S_OK;
}

} // namespace

TEST_F(LayoutTest, EmptyAndBadRecordsLayOutAsAnEmptyLine) {
    ASSERT_TRUE(lay(L""));
    EXPECT_TRUE(data.items.empty());
    EXPECT_EQ(std::vector<int>{-1}, data.sublineEnds);
    EXPECT_EQ(std::vector<int>{0}, data.sublineWidths);
    EXPECT_EQ(16, layout.getX(data, 0, false, 2));
    bool trailing = false;
    int extra = 0;
    EXPECT_EQ(0, layout.getOffsetFromX(data, 20, trailing, extra));
    EXPECT_EQ(2, extra);

    tessel_test::LogCapture log;
    EXPECT_THROW(layout.process(nullptr), pel::NullPointerException);
    EXPECT_TRUE(log.contains(L"io_data") && log.contains(L".\\afw\\unicode\\Unicode.cpp"));
    ASSERT_TRUE(lay(L"abc"));
    data.attributes.entries.resize(2);
    EXPECT_FALSE(layout.process(data));
    EXPECT_TRUE(log.contains(L"afUnicode::process: Text and style data lengths are not compatible. T=3 > S=2\n"));
    EXPECT_FALSE(data.laidOut);
    EXPECT_TRUE(data.items.empty());
    EXPECT_EQ(0, layout.getX(data, 2, false, 0));
    EXPECT_EQ(-1, layout.findStop(data, 2, false, false));
}

TEST_F(LayoutTest, ItemsAreSplitAtCharacterStopsBelowTheLimitAndMergedInPairs) {
    ASSERT_TRUE(lay(std::wstring(100000, L'a')));
    EXPECT_GE(data.items.size(), 4u);
    for (const afUnicodeItem& run : data.items) {
        EXPECT_LE(run.count, afUnicode::MAX_ITEM);
        EXPECT_TRUE(data.logicalAttribute(run.first) & AF_CHARACTER_STOP) << run.first;
    }
    EXPECT_EQ(100000 * 8, data.totalWidth);

    UniscribeSeam seam;
    seam.simpleShaping();
    seam.table().breakText = &breakSparsely;
    ASSERT_TRUE(lay(std::wstring(70000, L'a')));
    EXPECT_EQ((std::vector<int>{0, 32000, 64000}), runs(&afUnicodeItem::first)) << "the last stop at or below 32,767";
    seam.table().breakText = afSystemUniscribe().breakText;
    seam.table().itemize = &itemizeEach;
    ASSERT_TRUE(lay(L"abcde"));
    EXPECT_EQ((std::vector<int>{2, 2, 1}), runs(&afUnicodeItem::count)) << "after a merge the next item stays";
}

TEST_F(LayoutTest, TabsLineEndsAndControlCharactersAreMeasuredByTheLayout) {
    UniscribeSeam seam;
    seam.simpleShaping([](wchar_t c) { return c == L'a' ? 5 : 8; });
    const struct {
        int tabSize;
        const wchar_t* text;
        std::vector<int> widths;
    } cases[] = {{4, L"a\t\t", {5, 27, 32}},
                 {0, L"a\t\t", {5, 1, 1}}, // a tab stop is at least a pixel
                 {4, L"\x07\x1b", {16, 32}}, // "07" and "001b" in the 8-pixel font
                 {4, L"ab\r\n", {13, 8, 8}}};
    for (const auto& c : cases) {
        layout.setTabSize(c.tabSize);
        ASSERT_TRUE(lay(c.text));
        EXPECT_EQ(c.widths, runs(&afUnicodeItem::width)) << c.text[1];
    }
    EXPECT_EQ(afUnicodeItem::LINE_END, data.items[1].kind);
    bool wrapped = true;
    EXPECT_EQ(2, layout.sublineEnd(data, 0, wrapped));
    EXPECT_FALSE(wrapped);
    ASSERT_TRUE(lay(L"a\t"));
    EXPECT_TRUE(data.logicalAttribute(1) & AF_WHITE_SPACE);
}

TEST_F(LayoutTest, ShapingRetriesAndFailuresFollowTheShaperAnswers) {
    const struct {
        const wchar_t* text;
        std::function<HRESULT(int call, HDC dc)> answer; // S_OK shapes simply
        bool laidOut;
        const wchar_t* logged;
        const wchar_t* reshaped; // what the second call shapes
        int lastRoom;             // the room of the last call; the first has the run's own estimate
    } cases[] = {
        {L"abc", [](int, HDC dc) { return dc ? S_OK : E_PENDING; }, true, nullptr, L"abc", 3 + 1 + 16},
        {L"abc", [](int, HDC) { return E_PENDING; }, false, nullptr, nullptr, 3 + 1 + 16},
        {L"abc", [](int, HDC) { return E_OUTOFMEMORY; }, false, nullptr, nullptr, 65535},
        {L"abc", [](int, HDC) { return E_INVALIDARG; }, false,
         L"afUnicode::shapeItem(): Too much glyphs for shaping, we cannot shape this item run.\n", nullptr, 20},
        {L"\xD800", [](int call, HDC) { return call == 0 ? USP_E_SCRIPT_NOT_IN_FONT : S_OK; }, true,
         L"afUnicode::buildItem(): Shaping failed. Disabling shaping and starting again.\n", L"\xFFFD", 17},
    };
    for (const auto& c : cases) {
        UniscribeSeam seam;
        seam.simpleShaping();
        const UniscribeSeam::Shape simple = seam.shape;
        seam.shape = [&](HDC dc, const wchar_t* text, int count, int room, SCRIPT_ANALYSIS* analysis, WORD* glyphs,
                         WORD* clusters, SCRIPT_VISATTR* attributes, int* produced) {
            const HRESULT answer = c.answer(static_cast<int>(seam.calls.size()) - 1, dc);
            return answer == S_OK ? simple(dc, text, count, room, analysis, glyphs, clusters, attributes, produced)
                                  : answer;
        };
        tessel_test::LogCapture log;
        EXPECT_EQ(c.laidOut, lay(c.text)) << seam.calls.size();
        EXPECT_TRUE(!c.logged || log.contains(c.logged)) << c.logged;
        ASSERT_FALSE(seam.calls.empty());
        EXPECT_FALSE(seam.calls[0].withDC);
        EXPECT_TRUE(seam.calls[0].logicalOrder);
        if (c.reshaped) {
            EXPECT_EQ(c.reshaped, seam.calls.at(1).text);
        }
        EXPECT_EQ(static_cast<int>(wcslen(c.text)) * 3 / 2 + 16, seam.calls.front().room);
        EXPECT_EQ(c.lastRoom, seam.calls.back().room) << "more room only after running out, up to the cap";
    }
}

TEST_F(LayoutTest, WrappingKeepsBlanksUpBreaksLongWordsAndAlwaysMovesOn) {
    EXPECT_EQ((std::vector<int>{8, 8, 15}),
              (std::vector<int>{layout.getSpaceWidth(), layout.getAverageCharWidth(), layout.getLineHeight()}));
    EXPECT_TRUE(layout.setWrapWidth(240));
    EXPECT_EQ(240, layout.getWrapWidth());
    EXPECT_FALSE(layout.setWrapWidth(240));
    ASSERT_TRUE(lay(std::wstring(29, L'a') + L"    bbbb"));
    bool wrapped = false;
    EXPECT_EQ(33, layout.sublineEnd(data, 0, wrapped)) << "the blanks stay on the upper subline";
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(37, layout.sublineEnd(data, 1, wrapped));
    EXPECT_FALSE(wrapped) << "nothing wrapped after the last subline";

    ASSERT_TRUE(lay(std::wstring(100, L'x')));
    EXPECT_EQ((std::vector<int>{240, 224, 224, 112}), data.sublineWidths) << "the continuation indent is two spaces";

    ASSERT_TRUE(lay(std::wstring(200, L' ') + L"deep" + std::wstring(60, L'y')));
    EXPECT_EQ((std::vector<int>{160, 160, 80}),
              (std::vector<int>{layout.wrapIndent(data), layout.sublineOrigin(data, 1), layout.availableWidth(data, 1)}))
        << "ten average characters stay beside the indent";
    for (int k = 0; k < data.sublineCount(); ++k)
        EXPECT_LT(layout.sublineStart(data, k), layout.sublineEnd(data, k, wrapped)) << k;
    EXPECT_EQ(264, layout.sublineEnd(data, data.sublineCount() - 1, wrapped));
    EXPECT_TRUE(layout.setWrapWidth(0));
    EXPECT_FALSE(layout.isWrapEnabled());
}

// However narrow the width, the rows take what fits, at least one whole character each (a letter
// with its marks, an emoji joined by ZWJ, a flag), and nothing is left out or taken twice.
TEST_F(LayoutTest, NarrowWidthsWrapAtTheirOwnWidthDownToOneCharacterARow) {
    layout.setContinuationIndent(false);
    const std::wstring family = L"\xD83D\xDC68\x200D\xD83D\xDC69\x200D\xD83D\xDC67", flag = L"\xD83C\xDDEB\xD83C\xDDF7";
    const std::wstring text = L"abc e\x0301\x0323" + family + flag + L"xyz";
    for (int width : {80, 24, 9, 8, 1}) {
        SCOPED_TRACE(width);
        EXPECT_TRUE(layout.setWrapWidth(width));
        EXPECT_EQ(width, layout.getWrapWidth()) << "never raised";
        ASSERT_TRUE(lay(text));
        bool wrapped = false;
        int start = 0;
        std::vector<std::wstring> rows;
        for (int k = 0; k < data.sublineCount(); ++k) {
            EXPECT_EQ(start, layout.sublineStart(data, k)) << k;
            const int end = layout.sublineEnd(data, k, wrapped);
            ASSERT_GT(end, start) << "row " << k << " takes a character";
            rows.push_back(text.substr(start, end - start));
            start = end;
        }
        EXPECT_EQ(static_cast<int>(text.size()), start) << "every character on a row";
        if (width <= 8) {
            const std::vector<std::wstring> characters = {L"a", L"b", L"c ", L"e\x0301\x0323", family, flag,
                                                          L"x", L"y", L"z"};
            EXPECT_EQ(characters, rows) << "one character a row, its marks, joiners and flag halves with it";
        }
    }
}

TEST_F(LayoutTest, APieceOfALineLaysOutAsThatPartOfTheWholeLine) {
    const std::wstring line = L"ab\tcdefgh\tij\xD83D\xDE00klm\tnopq";
    // The word stops of the line's characters from `from` on, and the x after each tab counted
    // from the line's start, as a record of the line's characters from `start` on, standing at
    // rowX, has them.
    auto stopsAndTabs = [&](const afUnicodeData& record, int start, int rowX, int from) {
        std::vector<int> seen;
        for (int k = from; k < static_cast<int>(line.size()); ++k) {
            seen.push_back(record.logicalAttribute(k - start) & AF_WORD_STOP);
            if (line[k] == L'\t')
                seen.push_back(rowX + layout.getX(record, k - start + 1, false, 0));
        }
        return seen;
    };
    ASSERT_TRUE(lay(line));
    // Pieces from inside a word and from after a pair above the basic plane: the word goes on,
    // and the tabs reach the stops of the line's start from where the piece stands.
    for (int from : {5, 14}) {
        afUnicodeData piece;
        tessel_test::fillRecord(piece, line.substr(from), layout.getTabSize());
        piece.textBefore = true;
        piece.characterBefore = from == 14 ? 0x1F600 : line[from - 1];
        piece.rowX = layout.getX(data, from, false, 0);
        ASSERT_TRUE(layout.process(piece));
        EXPECT_EQ(stopsAndTabs(data, 0, 0, from), stopsAndTabs(piece, from, piece.rowX, from)) << "from " << from;
        EXPECT_EQ(0, layout.sublineOrigin(piece, 0)) << "unwrapped, it goes on on its line's row";
        EXPECT_FALSE(layout.tabsMoveAt(piece, piece.rowX + layout.tabStopWidth()));
        EXPECT_TRUE(layout.tabsMoveAt(piece, piece.rowX + 1));
    }
    // Wrapped, its first row is a continuation, as wide as every one after its line's first.
    layout.setWrapWidth(240);
    tessel_test::fillRecord(data, std::wstring(100, L'x'));
    data.textBefore = true;
    ASSERT_TRUE(layout.process(data));
    EXPECT_EQ((std::vector<int>{224, 224, 224, 128}), data.sublineWidths);
    EXPECT_EQ(16, layout.sublineOrigin(data, 0));
    EXPECT_TRUE(layout.continuesRow(data, 0));
}

TEST_F(LayoutTest, QueriesCountVirtualColumnsAndStops) {
    ASSERT_TRUE(lay(L"ab cd"));
    bool trailing = false;
    int extra = 0;
    EXPECT_EQ(5, layout.getOffsetFromX(data, 40 + 21, trailing, extra)) << "2.6 spaces past the end";
    EXPECT_EQ(3, extra);
    layout.getOffsetFromX(data, 40 + 19, trailing, extra);
    EXPECT_EQ(2, extra);
    const struct {
        int offset;
        bool forward, words;
        int stop;
    } stops[] = {{0, false, false, -1}, {5, false, false, 4}, {50, false, false, 4}, {5, false, true, 3},
                 {3, true, true, 5},    {0, true, false, 1},  {7, true, false, 7}};
    for (const auto& s : stops)
        EXPECT_EQ(s.stop, layout.findStop(data, s.offset, s.forward, s.words)) << s.offset << s.forward << s.words;
}

TEST_F(LayoutTest, OnlyTheFirstMegabyteOfALineIsLaidOutAndLongLinesGiveMemoryBack) {
    UniscribeSeam seam;
    seam.simpleShaping();
    std::wstring text(afUnicode::MAX_LAID_OUT + 100, L'a');
    text[afUnicode::MAX_LAID_OUT - 1] = 0xD83D;
    text[afUnicode::MAX_LAID_OUT] = 0xDE00;
    tessel_test::LogCapture log;
    ASSERT_TRUE(lay(text));
    EXPECT_EQ(afUnicode::MAX_LAID_OUT - 1, data.laidLength) << "the pair is not cut";
    EXPECT_EQ(1u, log.lines().size());
    EXPECT_EQ(layout.getX(data, data.laidLength, false, 0), layout.getX(data, static_cast<int>(text.size()), false, 0));
    EXPECT_GT(data.glyphs.capacity(), 1000000u);
    ASSERT_TRUE(lay(L"short"));
    EXPECT_LT(data.glyphs.capacity() + data.logAttrs.capacity(), 1000u);
}

namespace {

// Itemizes through the system, after checking that the item buffer (a heap block of its own)
// has room for the terminal item Uniscribe writes after cMaxItems items.
int s_shortItemBuffers = 0;
HRESULT WINAPI itemizeCheckingRoom(const WCHAR* text, int count, int maxItems, const SCRIPT_CONTROL* control,
                                   const SCRIPT_STATE* state, SCRIPT_ITEM* items, int* produced) {
    if (_msize(items) < (static_cast<size_t>(maxItems) + 1) * sizeof(SCRIPT_ITEM))
        ++s_shortItemBuffers;
    return afSystemUniscribe().itemize(text, count, maxItems, control, state, items, produced);
}

} // namespace

TEST_F(LayoutTest, MixedDirectionLinesKeepEveryBufferWithinItsCount) {
    UniscribeSeam seam;
    seam.table().itemize = &itemizeCheckingRoom;
    s_shortItemBuffers = 0;
    const std::wstring hebrew = L"\x05e9\x05dc\x05d5\x05dd", arabic = L"\x0633\x0644\x0627\x0645 \x0639\x0644\x064a\x0643\x0645";
    // Lam-alef joins into one glyph; the marks share their base's cluster.
    const std::wstring marked = L"\x05e9\x05b8\x05c1\x05dc\x05d5\x05b9\x05dd \x0628\x0650\x0633\x0652\x0645\x0650";
    std::wstring alternating;
    for (int i = 0; i < 40; ++i)
        alternating += (i % 2 ? hebrew : std::wstring(L"ab")) + L" " + std::to_wstring(i) + L" ";
    for (int wrapWidth : {0, 1})
    for (const std::wstring& text : {L"ab " + hebrew + L" 123 cd " + arabic + L" x", arabic, marked + L" (x) " + arabic,
                                     alternating, alternating + arabic + marked}) {
        SCOPED_TRACE(testing::Message() << text.size() << " characters, wrap width " << wrapWidth);
        // Wrapping asks for logical widths.
        layout.setWrapWidth(wrapWidth);
        ASSERT_TRUE(lay(text));
        const int glyphs = data.glyphCount;
        ASSERT_LE(glyphs, static_cast<int>(std::min({data.glyphs.size(), data.visAttrs.size(), data.advances.size(),
                                                     data.offsets.size()})));
        ASSERT_EQ(text.size(), data.logClusters.size());
        ASSERT_EQ(text.size(), data.logicalWidths.size());
        int next = 0;
        for (const afUnicodeItem& run : data.items) {
            EXPECT_EQ(next, run.first) << "runs cover the line in order";
            next = run.end();
            EXPECT_LE(run.firstGlyph + run.glyphCount, glyphs);
            for (int i = run.first; i < run.end(); ++i)
                EXPECT_LT(data.logClusters[i], std::max(run.glyphCount, 1)) << "at " << i;
        }
        EXPECT_EQ(static_cast<int>(text.size()), next);
    }
    EXPECT_EQ(0, s_shortItemBuffers) << "item buffers without room for the terminal item";
}
