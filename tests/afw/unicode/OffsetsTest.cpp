// Offsets and x on laid-out lines: golden tables for texts whose carets are easy to get wrong
// (mixed directions, Arabic joining, fallback fonts, surrogate pairs, combining marks, tabs),
// and 2,000 generated lines checked against what every layout must hold.

#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "afw/support/Golden.h"
#include "afw/support/TextLayout.h"
#include "pel/base/CharacterProperties.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

// Every caret stop of the line and its end: x there, back to an offset, and to the same x.
void expectStopsRoundTrip(const afUnicode& layout, const afUnicodeData& data, bool sameOffset, const char* what) {
    const int length = afUnicode::lengthOf(data);
    for (int c = 0; c <= length; ++c) {
        if (c < length && !(data.logicalAttribute(c) & AF_CHARACTER_STOP))
            continue;
        int subline = 0, back = 0;
        const int x = layout.getSublineX(data, c, false, 0, subline);
        // The subline's right edge is its logical end to the x query, whatever ends there.
        if (x >= layout.sublineOrigin(data, subline) + data.sublineWidths[subline])
            continue;
        bool trailing = false;
        int extra = 0;
        const int offset = layout.getSublineOffsetFromX(data, subline, x, trailing, extra);
        ASSERT_GE(offset, 0) << what << " at " << c;
        EXPECT_EQ(x, layout.getSublineX(data, offset, trailing, 0, back))
            << what << " at " << c << " offset " << offset << " trailing " << trailing << " subline " << subline;
        EXPECT_EQ(subline, back) << what << " at " << c << " offset " << offset << " trailing " << trailing;
        EXPECT_EQ(0, extra) << what << " at " << c;
        if (sameOffset) {
            EXPECT_EQ(c, offset) << what;
        }
    }
}

} // namespace

TEST(OffsetsTest, GoldenTablesOfXForEveryOffsetAndOffsetForEveryX) {
    struct Text {
        const char* file;
        const char* about;
        std::wstring text;
    };
    const Text texts[] = {
        {"mixed", "Latin, Hebrew (DejaVu Sans), digits inside the Hebrew", L"ab \x05e9\x05dc\x05d5\x05dd 123 cd"},
        {"arabic", "Arabic, right to left, joined", L"\x0633\x0644\x0627\x0645 \x0639\x0644\x064a\x0643\x0645"},
        {"emoji", "a surrogate pair from the fallback font", L"a\xD83D\xDE00" L"b"},
        {"math", "a surrogate pair that no font of the set has", L"a\xD835\xDC00" L"b"},
        {"combining", "no stop inside the cluster", L"e\x0301x"},
        {"tabs", "tabs at tab size 4", L"\tx\t\ty"},
    };
    afUnicode layout(tessel_test::testFontSet());
    for (const Text& t : texts) {
        afUnicodeData data;
        tessel_test::fillRecord(data, t.text);
        ASSERT_TRUE(layout.process(data)) << t.file;
        std::ostringstream out;
        out << "# " << t.about << "\nwidth " << data.totalWidth << "\n# offset, x leading, x trailing, stop\n";
        for (int offset = 0; offset <= data.lineLength; ++offset)
            out << offset << ' ' << layout.getX(data, offset, false, 0) << ' ' << layout.getX(data, offset, true, 0)
                << (offset < data.lineLength && (data.logicalAttribute(offset) & AF_CHARACTER_STOP) ? " stop" : "")
                << '\n';
        out << "# x, offset, trailing, extra columns\n";
        for (int x = -8; x <= data.totalWidth + 40; ++x) {
            bool trailing = false;
            int extra = 0;
            const int offset = layout.getOffsetFromX(data, x, trailing, extra);
            out << x << ' ' << offset << ' ' << trailing << ' ' << extra << '\n';
        }
        EXPECT_TRUE(tessel_test::matchesGoldenText(std::string("afw/unicode/golden/offsets-") + t.file + ".txt",
                                                   out.str()));
        expectStopsRoundTrip(layout, data, t.text.find(L'\x05e9') == std::wstring::npos && t.file[0] != 'a', t.file);
    }
}

TEST(OffsetsTest, GeneratedLinesKeepTheLayoutsPromises) {
    std::mt19937 random(46);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto word = [&](wchar_t first, int span, int length) {
        std::wstring text;
        for (int i = 0; i < length; ++i)
            text += static_cast<wchar_t>(first + pick(0, span));
        return text;
    };
    auto generate = [&] {
        std::wstring line(pick(0, 3) == 0 ? pick(1, 24) : 0, L' ');
        const int pieces = pick(0, 24);
        for (int i = 0; i < pieces; ++i) {
            switch (pick(0, 11)) {
            case 0: line += word(L'a', 25, pick(1, 10)); break;
            case 1: line += word(L'a', 25, pick(40, 90)); break;
            case 2: line += std::wstring(pick(1, 3), L' '); break;
            case 3: line += L'\t'; break;
            case 4: line += word(0x05D0, 26, pick(2, 6)); break;
            case 5: line += word(0x0627, 35, pick(2, 6)); break;
            case 6: line += word(L'0', 9, pick(1, 5)); break;
            case 7: line += {L'\xD83D', static_cast<wchar_t>(0xDE00 + pick(0, 0x4F))}; break;
            case 8: line += static_cast<wchar_t>(pick(1, 8)); break;
            case 9: line += L"e\x0301"; break;
            case 10: line += pick(0, 1) ? L"\xD800" : L"\x4E2D\x6587"; break;
            default: line += word(L'!', 14, pick(1, 3)); break;
            }
            line += L' ';
        }
        return line;
    };
    afUnicode layout(tessel_test::testFontSet());
    const afUniscribeApi& uniscribe = afUniscribe();
    for (int n = 0; n < 2000 && !HasFatalFailure(); ++n) {
        const std::wstring text = generate();
        const int columns = pick(0, 3) == 0 ? 0 : pick(30, 100);
        layout.setWrapWidth(columns * layout.getAverageCharWidth());
        layout.setKeepIndentation(pick(0, 1) == 1);
        afUnicodeData data;
        tessel_test::fillRecord(data, text);
        ASSERT_TRUE(layout.process(data)) << n;
        const std::string what = "line " + std::to_string(n);
        if (text.empty()) {
            EXPECT_EQ(std::vector<int>{-1}, data.sublineEnds);
            continue;
        }

        // Runs cover the text in order, each within the item limit; widths add up.
        int at = 0, sum = 0;
        std::vector<int> widths(text.size(), 0);
        for (const afUnicodeItem& run : data.items) {
            ASSERT_EQ(at, run.first) << what;
            ASSERT_GT(run.count, 0) << what;
            ASSERT_LE(run.count, afUnicode::MAX_ITEM) << what;
            at = run.end();
            sum += run.width;
            if (run.kind != afUnicodeItem::TEXT || run.glyphCount == 0)
                widths[run.first] = run.width;
            else
                uniscribe.getLogicalWidths(&run.analysis, run.count, run.glyphCount,
                                           data.advances.data() + run.firstGlyph, data.logClusters.data() + run.first,
                                           data.visAttrs.data() + run.firstGlyph, widths.data() + run.first);
        }
        ASSERT_EQ(static_cast<int>(text.size()), at) << what;
        EXPECT_EQ(data.totalWidth, sum) << what;

        // Word stops follow the rule over the whole line, whatever the items; none inside a pair.
        uint32_t previous = 0;
        for (int i = 0; i < at; ++i) {
            const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < at && text[i + 1] >= 0xDC00 &&
                              text[i + 1] < 0xE000;
            const uint32_t now = pel::getCharacterProperties(pair ? 0x1F600 : text[i]) & 0x88;
            ASSERT_EQ(!(now && previous && now == previous), (data.logicalAttribute(i) & AF_WORD_STOP) != 0) << what;
            previous = now;
            if (pair) {
                ASSERT_FALSE(data.logicalAttribute(++i) & (AF_WORD_STOP | AF_CHARACTER_STOP)) << what;
            }
        }

        // The sublines take the runs in order, each in some visual order, and never overflow
        // except by trailing blanks or with a single cluster.
        int first = 0, sublineSum = 0;
        for (int k = 0; k < data.sublineCount(); ++k) {
            const int last = data.sublineEnds[k];
            ASSERT_GE(last, first) << what;
            std::vector<int> order(data.visualOrder.begin() + first, data.visualOrder.begin() + last + 1);
            std::sort(order.begin(), order.end());
            for (int i = first; i <= last; ++i)
                ASSERT_EQ(i, order[i - first]) << what;
            sublineSum += data.sublineWidths[k];
            bool wrapped;
            const int start = layout.sublineStart(data, k), end = layout.sublineEnd(data, k, wrapped);
            if (columns > 0 && data.sublineWidths[k] > layout.availableWidth(data, k)) {
                int blank = end, stops = 0;
                while (blank > start && (data.logicalAttribute(blank - 1) & AF_WHITE_SPACE))
                    --blank;
                for (int i = start; i < blank; ++i)
                    stops += (data.logicalAttribute(i) & AF_CHARACTER_STOP) != 0;
                int trailing = 0;
                for (int i = blank; i < end; ++i)
                    trailing += widths[i];
                EXPECT_TRUE(data.sublineWidths[k] - trailing <= layout.availableWidth(data, k) || stops <= 1)
                    << what << " subline " << k;
            }
            for (int c = start; c < end; ++c)
                ASSERT_EQ(k, layout.sublineOf(data, c, false)) << what << " offset " << c;
            first = last + 1;
        }
        EXPECT_EQ(data.totalWidth, sublineSum) << what;
        EXPECT_EQ(static_cast<int>(data.items.size()) - 1, data.sublineEnds.back()) << what;
        expectStopsRoundTrip(layout, data, false, what.c_str());
    }
}
