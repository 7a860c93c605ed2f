#include "afw/view/afRect.h"

#include <gtest/gtest.h>

namespace {

::testing::AssertionResult sameRect(const RECT& expected, const RECT& actual) {
    if (!rectNotEqual(expected, actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.left << "," << actual.top << "," << actual.right << ","
                                         << actual.bottom;
}

TEST(Rect, ContainsItsEdges) {
    const afRect rect(10, 20, 30, 40);
    const int inside[][2] = {{10, 25}, {30, 25}, {15, 20}, {15, 40}, {10, 20}, {30, 40}};
    const int outside[][2] = {{9, 25}, {31, 25}, {15, 19}, {15, 41}};
    for (const auto& p : inside)
        EXPECT_TRUE(rect.contains(p[0], p[1])) << p[0] << "," << p[1];
    for (const auto& p : outside)
        EXPECT_FALSE(rect.contains(p[0], p[1])) << p[0] << "," << p[1];
}

TEST(Rect, IntersectsOrStaysAsItWas) {
    afRect rect(0, 0, 10, 10);
    EXPECT_TRUE(rect.intersect({5, -5, 20, 7}));
    EXPECT_FALSE(rect.intersect({10, 0, 20, 7}));
    EXPECT_FALSE(rect.clipToSize(5, 5));
    EXPECT_TRUE(sameRect({5, 0, 10, 7}, rect));
}

TEST(Rect, CentresWithAnArithmeticShiftAndFitsByMovingOnly) {
    afRect inner(0, 0, 13, 10);
    inner.centerIn({100, 200, 110, 209}); // differences -3 and -1 move by -2 and -1
    EXPECT_TRUE(sameRect({98, 199, 111, 209}, inner));
    const std::pair<RECT, RECT> cases[] = {
        {{90, 70, 120, 90}, {70, 60, 100, 80}}, // past right and bottom
        {{-10, -5, 20, 10}, {0, 0, 30, 15}},    // past left and top
        {{50, 50, 250, 150}, {0, 0, 200, 100}}, // larger: its top-left on the bounds'
    };
    for (const auto& c : cases) {
        afRect rect(c.first);
        rect.fitInto({0, 0, 100, 80});
        EXPECT_TRUE(sameRect(c.second, rect));
    }
}

} // namespace
