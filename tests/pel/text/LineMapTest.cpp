#include "pel/base/Exception.h"
#include "pel/text/LineMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pel;

namespace {

std::vector<uint32_t> triple(const TextPosition& p) {
    return {p.line, p.column, p.offset};
}

} // namespace

TEST(LineMap, CrLfIsOneBreak) {
    const std::wstring text = L"a\r\nb";
    LineMap map(text.c_str(), static_cast<uint32_t>(text.size()));
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 3}), triple(map.getPosition(3)));
    // Asked after a later offset, earlier ones come from the recorded starts.
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}), triple(map.getPosition(0)));
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 1}), triple(map.getPosition(1)));
    // The LF of the pair belongs to the line the pair ends.
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 2}), triple(map.getPosition(2)));
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 4}), triple(map.getPosition(4)));
}

TEST(LineMap, IncreasingOffsetsAnswerAsAFreshMap) {
    const std::wstring text = L"ab\r\n\r\ncd\re\n\nf\r";
    LineMap walking(text.c_str(), static_cast<uint32_t>(text.size()));
    for (uint32_t o = 0; o <= text.size(); ++o) {
        LineMap fresh(text.c_str(), static_cast<uint32_t>(text.size()));
        EXPECT_EQ(triple(fresh.getPosition(o)), triple(walking.getPosition(o))) << o;
    }
    LineMap map(text.c_str(), static_cast<uint32_t>(text.size()));
    EXPECT_EQ((std::vector<uint32_t>{2, 0, 6}), triple(map.getPosition(6)));  // c
    EXPECT_EQ((std::vector<uint32_t>{3, 0, 9}), triple(map.getPosition(9)));  // e after a lone CR
    EXPECT_EQ((std::vector<uint32_t>{5, 0, 12}), triple(map.getPosition(12))); // f
    // A CR at the very end ends its line: the length is the start of a last, empty line.
    EXPECT_EQ((std::vector<uint32_t>{6, 0, 14}), triple(map.getPosition(14)));
}

TEST(LineMap, LoneCrAndBounds) {
    const std::wstring text = L"a\rb";
    LineMap map(text.c_str(), 3);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 2}), triple(map.getPosition(2)));
    EXPECT_THROW(map.getPosition(4), AssertionViolationException);

    LineMap empty(nullptr, 0);
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}), triple(empty.getPosition(0)));
    EXPECT_THROW(empty.getPosition(1), AssertionViolationException);
}
