// Runs of printable ASCII take their glyphs from the font's table instead of a shaping call per
// run; the layout must come out as the system's shaper makes it.
#include "afw/support/TextLayout.h"
#include "afw/support/UniscribeSeam.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What a laid-out line shows and measures: glyphs, clusters, attributes, advances and runs.
struct Shaped {
    std::vector<WORD> glyphs, clusters;
    std::vector<int> advances, runWidths;
    std::vector<std::string> attributes;
    int totalWidth = 0;
    bool operator==(const Shaped& o) const {
        return glyphs == o.glyphs && clusters == o.clusters && advances == o.advances && runWidths == o.runWidths &&
               attributes == o.attributes && totalWidth == o.totalWidth;
    }
};

Shaped lay(afUnicode& layout, const std::wstring& text) {
    afUnicodeData data;
    tessel_test::fillRecord(data, text, layout.getTabSize());
    EXPECT_TRUE(layout.process(data));
    Shaped shaped;
    shaped.glyphs.assign(data.glyphs.begin(), data.glyphs.begin() + data.glyphCount);
    shaped.advances.assign(data.advances.begin(), data.advances.begin() + data.glyphCount);
    shaped.clusters.assign(data.logClusters.begin(), data.logClusters.begin() + data.laidLength);
    for (int i = 0; i < data.glyphCount; ++i)
        shaped.attributes.emplace_back(reinterpret_cast<const char*>(&data.visAttrs[i]), sizeof(SCRIPT_VISATTR));
    for (const afUnicodeItem& run : data.items)
        shaped.runWidths.push_back(run.width);
    shaped.totalWidth = data.totalWidth;
    return shaped;
}

TEST(AsciiShapingTest, TableShapingMatchesTheSystemShaper) {
    // Every printable ASCII character, code with tabs, ASCII beside other scripts and right to
    // left text, and a long line.
    std::wstring printable;
    for (wchar_t c = 0x20; c < 0x7F; ++c)
        printable += c;
    const std::wstring lines[] = {printable,
                                  L"\tint value_1 = compute(index, 9); // fi fl ffi",
                                  L"ascii \x00E9t\x00E9 \x0391\x03B2\x03B3 \x05E9\x05DC\x05D5\x05DD (x) 12 \x0627\x0644",
                                  L"\x05E9\x05DC\x05D5\x05DD [a] {b} <c>",
                                  std::wstring(5000, L'w') + L" tail"};
    afUnicode layout{tessel_test::testFontSet()};
    for (size_t index = 0; index < sizeof lines / sizeof lines[0]; ++index) {
        const std::wstring& line = lines[index];
        // Wine joins Arabic letters only once the font's cache is warm: compare warm layouts.
        lay(layout, line);
        const Shaped fromTable = lay(layout, line);
        Shaped fromShaper;
        {
            // A table of the test's own is asked for every run.
            tessel_test::UniscribeSeam seam;
            fromShaper = lay(layout, line);
            EXPECT_FALSE(seam.calls.empty());
        }
        EXPECT_TRUE(fromTable == fromShaper) << "line " << index;
    }
}

} // namespace
