// Runs of printable ASCII take their glyphs from the font's table instead of a shaping call per
// run; the layout must come out as the system's shaper makes it.
#include "afw/support/TextLayout.h"
#include "afw/support/UniscribeSeam.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Per glyph: its index, attributes (as bits) and advance; then the line's width.
std::vector<int> lay(afUnicode& layout, const std::wstring& text) {
    afUnicodeData data;
    tessel_test::fillRecord(data, text, layout.getTabSize());
    EXPECT_TRUE(layout.process(data));
    std::vector<int> shaped;
    for (int i = 0; i < data.glyphCount; ++i) {
        uint16_t attributes;
        std::memcpy(&attributes, &data.visAttrs[i], sizeof attributes);
        shaped.insert(shaped.end(), {data.glyphs[i], attributes, data.advances[i], data.logClusters[i]});
    }
    shaped.push_back(data.totalWidth);
    return shaped;
}

TEST(AsciiShapingTest, TableShapingMatchesTheSystemShaper) {
    std::wstring printable;
    for (wchar_t c = 0x20; c < 0x7F; ++c)
        printable += c;
    const std::wstring lines[] = {printable, L"\tint value_1 = compute(index, 9); // fi ffi",
                                  L"ascii \x00E9t\x00E9 \x0391\x03B2 \x05E9\x05DC\x05D5\x05DD (x) 12 \x0627\x0644",
                                  L"\x05E9\x05DC\x05D5\x05DD [a] {b} <c>", std::wstring(5000, L'w') + L" tail"};
    afUnicode layout{tessel_test::testFontSet()};
    for (const std::wstring& line : lines) {
        // Wine joins Arabic letters only once the font's cache is warm: compare warm layouts.
        lay(layout, line);
        const auto fromTable = lay(layout, line);
        tessel_test::UniscribeSeam seam; // a table of the test's own is asked for every run
        EXPECT_EQ(fromTable, lay(layout, line)) << line.size();
        EXPECT_FALSE(seam.calls.empty());
    }
}

} // namespace
