#include "pel/base/Exception.h"
#include "pel/text/LineMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pel;

namespace {

std::vector<uint32_t> at(LineMap& map, uint32_t offset) {
    const TextPosition p = map.getPosition(offset);
    return {p.line, p.column, p.offset};
}

} // namespace

TEST(LineMap, CrLfIsOneBreak) {
    const std::wstring text = L"a\r\nb";
    LineMap map(text.c_str(), 4);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 3}), at(map, 3));
    // Earlier offsets come from the recorded starts; the LF of the pair belongs to the line
    // the pair ends.
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}), at(map, 0));
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 2}), at(map, 2));
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 4}), at(map, 4));
    EXPECT_THROW(map.getPosition(5), AssertionViolationException);

    const std::wstring lone = L"a\rb";
    LineMap loneMap(lone.c_str(), 3);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 2}), at(loneMap, 2));
}

TEST(LineMap, IncreasingOffsetsAnswerAsAFreshMap) {
    const std::wstring text = L"ab\r\n\r\ncd\re\n\nf\r";
    LineMap walking(text.c_str(), static_cast<uint32_t>(text.size()));
    for (uint32_t o = 0; o <= text.size(); ++o) {
        LineMap fresh(text.c_str(), static_cast<uint32_t>(text.size()));
        EXPECT_EQ(at(fresh, o), at(walking, o)) << o;
    }
    // e after a lone CR; a CR at the very end starts a last, empty line.
    EXPECT_EQ((std::vector<uint32_t>{3, 0, 9}), at(walking, 9));
    EXPECT_EQ((std::vector<uint32_t>{6, 0, 14}), at(walking, 14));
}
