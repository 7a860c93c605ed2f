#include "afw/support/TextLayout.h"
#include "afw/support/UniscribeSeam.h"
#include "pel/base/CharacterProperties.h"
#include "pel/base/Exception.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using tessel_test::UniscribeSeam;

namespace {

class LayoutTest : public testing::Test {
protected:
    bool lay(const std::wstring& text) {
        tessel_test::fillRecord(data, text, layout.getTabSize());
        return layout.process(data);
    }
    std::vector<int> runWidths() const {
        std::vector<int> widths;
        for (const afUnicodeItem& run : data.items)
            widths.push_back(run.width);
        return widths;
    }
    // The runs cover the laid-out text in order, none longer than an item may be.
    void expectRunsCover() const {
        int at = 0;
        for (const afUnicodeItem& run : data.items) {
            EXPECT_EQ(at, run.first);
            EXPECT_GT(run.count, 0);
            EXPECT_LE(run.count, afUnicode::MAX_ITEM);
            at = run.end();
        }
        EXPECT_EQ(data.laidLength, at);
    }

    afUnicode layout{tessel_test::testFontSet()};
    afUnicodeData data;
};

// Items for "abcde", one per character, all Latin at level 0.
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

TEST_F(LayoutTest, MetricsComeFromThePrimaryFontAndWrappingKeepsThirtyAverageCharacters) {
    EXPECT_EQ(8, layout.getSpaceWidth());
    EXPECT_EQ(8, layout.getAverageCharWidth());
    EXPECT_EQ(15, layout.getLineHeight());
    EXPECT_FALSE(layout.isWrapEnabled());
    EXPECT_TRUE(layout.setWrapWidth(10));
    EXPECT_EQ(240, layout.getWrapWidth());
    EXPECT_FALSE(layout.setWrapWidth(10));
    EXPECT_TRUE(layout.setWrapWidth(300));
    EXPECT_TRUE(layout.setWrapWidth(0));
    EXPECT_FALSE(layout.isWrapEnabled());
    EXPECT_EQ(0, layout.getWrapWidth());
    EXPECT_FALSE(layout.setWrapWidth(-4));
    layout.setPadding(2, 3);
    layout.updateMetrics();
    EXPECT_EQ(20, layout.getLineHeight());
}

TEST_F(LayoutTest, AnEmptyLineHasNoRunsAndOneEmptySubline) {
    ASSERT_TRUE(lay(L""));
    EXPECT_TRUE(data.items.empty());
    EXPECT_EQ(std::vector<int>{-1}, data.sublineEnds);
    EXPECT_EQ(std::vector<int>{0}, data.sublineWidths);
    EXPECT_EQ(0, data.totalWidth);
    EXPECT_EQ(16, layout.getX(data, 0, false, 2));
    bool trailing = false;
    int extra = 0;
    EXPECT_EQ(0, layout.getOffsetFromX(data, 20, trailing, extra));
    EXPECT_EQ(2, extra);
    EXPECT_EQ(-1, layout.findStop(data, 0, false, false));
    EXPECT_EQ(0, layout.findStop(data, 0, true, false));
}

TEST_F(LayoutTest, BadRecordsFailAndLeaveAnEmptyLine) {
    tessel_test::LogCapture log;
    EXPECT_THROW(layout.process(nullptr), pel::NullPointerException);
    EXPECT_TRUE(log.contains(L"io_data"));
    EXPECT_TRUE(log.contains(L".\\afw\\unicode\\Unicode.cpp"));

    ASSERT_TRUE(lay(L"abc"));
    data.attributes.entries.resize(2);
    EXPECT_FALSE(layout.process(data));
    EXPECT_TRUE(log.contains(L"afUnicode::process: Text and style data lengths are not compatible. T=3 > S=2\n"));
    EXPECT_FALSE(data.laidOut);
    EXPECT_TRUE(data.items.empty());
    EXPECT_EQ(0, layout.getX(data, 2, false, 0));
    EXPECT_EQ(-1, layout.findStop(data, 2, false, false));
}

TEST_F(LayoutTest, LongItemsAreSplitAtCharacterStopsBelowTheLimit) {
    ASSERT_TRUE(lay(std::wstring(100000, L'a')));
    expectRunsCover();
    EXPECT_GE(data.items.size(), 4u);
    for (const afUnicodeItem& run : data.items)
        if (run.first > 0)
            EXPECT_TRUE(data.logicalAttribute(run.first) & AF_CHARACTER_STOP) << run.first;
    EXPECT_EQ(100000 * 8, data.totalWidth);

    UniscribeSeam seam;
    seam.simpleShaping();
    seam.table().breakText = &breakSparsely;
    ASSERT_TRUE(lay(std::wstring(70000, L'a')));
    std::vector<int> starts;
    for (const afUnicodeItem& run : data.items)
        starts.push_back(run.first);
    EXPECT_EQ((std::vector<int>{0, 32000, 64000}), starts) << "the last stop at or below 32,767";
}

TEST_F(LayoutTest, ItemsMergeInPairsAsTheyCome) {
    UniscribeSeam seam;
    seam.table().itemize = &itemizeEach;
    ASSERT_TRUE(lay(L"abcde"));
    std::vector<std::pair<int, int>> runs;
    for (const afUnicodeItem& run : data.items)
        runs.emplace_back(run.first, run.count);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 2}, {2, 2}, {4, 1}}), runs);
}

TEST_F(LayoutTest, TabsAndControlCharactersAreMeasuredByTheLayout) {
    UniscribeSeam seam;
    seam.simpleShaping([](wchar_t c) { return c == L'a' ? 5 : 8; });
    ASSERT_TRUE(lay(L"a\t\t"));
    EXPECT_EQ((std::vector<int>{5, 27, 32}), runWidths());
    EXPECT_TRUE(data.logicalAttribute(1) & AF_WHITE_SPACE);
    layout.setTabSize(0);
    ASSERT_TRUE(lay(L"a\t\t"));
    EXPECT_EQ((std::vector<int>{5, 1, 1}), runWidths()) << "a tab stop is at least a pixel";
    layout.setTabSize(4);

    ASSERT_TRUE(lay(L"\x07\x1b"));
    EXPECT_EQ(afUnicodeItem::CONTROL, data.items[0].kind);
    EXPECT_EQ((std::vector<int>{16, 32}), runWidths()) << "\"07\" and \"001b\" in the 8-pixel font";
    ASSERT_TRUE(lay(L"ab\r\n"));
    EXPECT_EQ((std::vector<int>{5 + 8, 8, 8}), runWidths()) << "a line end is a space wide";
    bool wrapped = true;
    EXPECT_EQ(2, layout.sublineEnd(data, 0, wrapped));
    EXPECT_FALSE(wrapped);
}

TEST_F(LayoutTest, ShapingRetriesAndFailuresFollowTheShaperAnswers) {
    struct Case {
        const char* name;
        std::wstring text;
        std::function<HRESULT(int call, HDC dc)> answer; // S_OK shapes simply
        bool laidOut;
        const wchar_t* logged;
        const wchar_t* reshaped = nullptr; // what the second call shapes
    };
    const Case cases[] = {
        {"pending, then shaped with the DC", L"abc", [](int, HDC dc) { return dc ? S_OK : E_PENDING; }, true, nullptr},
        {"pending even with the DC", L"abc", [](int, HDC) { return E_PENDING; }, false, nullptr},
        {"out of room at the cap", L"abc", [](int, HDC) { return E_OUTOFMEMORY; }, false, nullptr},
        {"too many glyphs", L"abc", [](int, HDC) { return E_INVALIDARG; }, false,
         L"afUnicode::shapeItem(): Too much glyphs for shaping, we cannot shape this item run.\n"},
        {"reshaped without the lone surrogate", L"\xD800",
         [](int call, HDC) { return call == 0 ? USP_E_SCRIPT_NOT_IN_FONT : S_OK; }, true,
         L"afUnicode::buildItem(): Shaping failed. Disabling shaping and starting again.\n", L"\xFFFD"},
    };
    for (const Case& c : cases) {
        UniscribeSeam seam;
        seam.simpleShaping();
        const UniscribeSeam::Shape simple = seam.shape;
        seam.shape = [&](HDC dc, const wchar_t* text, int count, int room, SCRIPT_ANALYSIS* analysis, WORD* glyphs,
                         WORD* clusters, SCRIPT_VISATTR* attributes, int* produced) {
            const HRESULT answer = c.answer(static_cast<int>(seam.shapeCalls.size()) - 1, dc);
            return answer == S_OK ? simple(dc, text, count, room, analysis, glyphs, clusters, attributes, produced)
                                  : answer;
        };
        tessel_test::LogCapture log;
        EXPECT_EQ(c.laidOut, lay(c.text)) << c.name;
        if (c.logged)
            EXPECT_TRUE(log.contains(c.logged)) << c.name;
        ASSERT_FALSE(seam.shapeCalls.empty());
        EXPECT_FALSE(seam.shapeCalls[0].withDC) << c.name;
        EXPECT_TRUE(seam.shapeCalls[0].logicalOrder) << c.name;
        if (c.reshaped)
            EXPECT_EQ(c.reshaped, seam.shapeCalls.at(1).text) << c.name;
    }
    UniscribeSeam seam;
    seam.shape = [](HDC, const wchar_t*, int, int, SCRIPT_ANALYSIS*, WORD*, WORD*, SCRIPT_VISATTR*, int*) {
        return E_OUTOFMEMORY;
    };
    EXPECT_FALSE(lay(L"abc"));
    EXPECT_EQ(3 + 1 + 16, seam.shapeCalls.front().room) << "the run's own estimate first";
    EXPECT_EQ(65535, seam.shapeCalls.back().room);
}

TEST_F(LayoutTest, WrappingKeepsBlanksUpBreaksLongWordsAndAlwaysMovesOn) {
    layout.setWrapWidth(1); // 30 columns
    ASSERT_TRUE(lay(std::wstring(29, L'a') + L"    bbbb"));
    ASSERT_EQ(2, data.sublineCount());
    bool wrapped = false;
    EXPECT_EQ(33, layout.sublineEnd(data, 0, wrapped));
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(33, layout.sublineStart(data, 1));
    EXPECT_EQ(37, layout.sublineEnd(data, 1, wrapped));
    EXPECT_FALSE(wrapped) << "nothing wrapped after the last subline";

    ASSERT_TRUE(lay(std::wstring(100, L'x')));
    EXPECT_EQ((std::vector<int>{240, 224, 224, 112}), data.sublineWidths) << "the continuation indent is two spaces";
    EXPECT_EQ(240, data.widestWidth);
    for (int k = 1; k < data.sublineCount(); ++k)
        EXPECT_TRUE(data.logicalAttribute(layout.sublineStart(data, k)) & AF_CHARACTER_STOP);

    ASSERT_TRUE(lay(std::wstring(200, L' ') + L"deep" + std::wstring(60, L'y')));
    EXPECT_EQ(160, layout.wrapIndent(data)) << "ten average characters stay";
    EXPECT_EQ(160, layout.sublineOrigin(data, 1));
    EXPECT_EQ(80, layout.availableWidth(data, 1));
    EXPECT_EQ(0, layout.sublineOrigin(data, 0));
    for (int k = 0; k < data.sublineCount(); ++k)
        EXPECT_LT(layout.sublineStart(data, k), layout.sublineEnd(data, k, wrapped)) << k;
    EXPECT_EQ(data.laidLength, layout.sublineEnd(data, data.sublineCount() - 1, wrapped));
}

TEST_F(LayoutTest, WordStopsFollowTheRuleOverTheWholeLine) {
    const std::wstring text = L"x = foo123bar;\xD835\xDC00";
    ASSERT_TRUE(lay(text));
    uint32_t previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t codePoint = text[i];
        if (i + 1 < text.size() && codePoint >= 0xD800 && codePoint < 0xDC00)
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        const uint32_t now = pel::getCharacterProperties(codePoint) & 0x88;
        const bool stop = !(now && previous && now == previous);
        EXPECT_EQ(stop, (data.logicalAttribute(static_cast<int>(i)) & AF_WORD_STOP) != 0) << i;
        previous = now;
        if (codePoint > 0xFFFF)
            EXPECT_FALSE(data.logicalAttribute(static_cast<int>(++i)) & AF_WORD_STOP) << "second unit";
    }
}

TEST_F(LayoutTest, QueriesCountVirtualColumnsAndStops) {
    ASSERT_TRUE(lay(L"ab cd"));
    bool trailing = false;
    int extra = 0;
    EXPECT_EQ(5, layout.getOffsetFromX(data, 40 + 21, trailing, extra)) << "2.6 spaces past the end";
    EXPECT_TRUE(trailing);
    EXPECT_EQ(3, extra);
    layout.getOffsetFromX(data, 40 + 19, trailing, extra);
    EXPECT_EQ(2, extra);
    EXPECT_EQ(40 + 24, layout.getX(data, 5, true, 3));
    EXPECT_EQ(2, layout.xToColumns(20));
    EXPECT_EQ(3, layout.xToColumns(21));

    EXPECT_EQ(-1, layout.findStop(data, 0, false, false));
    EXPECT_EQ(4, layout.findStop(data, 5, false, false)) << "back from the end: the last character";
    EXPECT_EQ(4, layout.findStop(data, 50, false, false));
    EXPECT_EQ(3, layout.findStop(data, 5, false, true));
    EXPECT_EQ(5, layout.findStop(data, 3, true, true)) << "no word stop ahead";
    EXPECT_EQ(1, layout.findStop(data, 0, true, false));
    EXPECT_EQ(7, layout.findStop(data, 7, true, false));
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
    const int end = layout.getX(data, data.laidLength, false, 0);
    EXPECT_EQ(end, layout.getX(data, static_cast<int>(text.size()), false, 0));
    EXPECT_EQ(data.laidLength, layout.findStop(data, data.laidLength - 1, true, false));
    EXPECT_GT(data.glyphs.capacity(), 1000000u);
    ASSERT_TRUE(lay(L"short"));
    EXPECT_LT(data.glyphs.capacity(), 1000u);
    EXPECT_LT(data.logAttrs.capacity(), 1000u);
}
