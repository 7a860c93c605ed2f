#include "pel/base/Assert.h"
#include "pel/text/search/MatchResults.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace pel;

namespace {

// A results kind that overrides only what the base leaves pure.
class FixedResults : public MatchResults {
public:
    void clear() override {}
    unsigned int size() const override { return 2; }
    int begin(unsigned int i) const override { return i == 0 ? 1 : -1; }
    int end(unsigned int i) const override { return i == 0 ? 3 : -1; }
};

} // namespace

TEST(MatchResults, BaseRefusesToStore) {
    FixedResults results;
    try {
        results.set(0, 1, 2);
        FAIL() << "set stored a group";
    } catch (const IllegalStateException& e) {
        EXPECT_EQ(L"MatchResults::set method not supported.", e.message);
    }
    try {
        results.add(1, 2);
        FAIL() << "add stored a group";
    } catch (const IllegalStateException& e) {
        EXPECT_EQ(L"MatchResults::add method not supported.", e.message);
    }
    EXPECT_EQ(2, results.length(0));
    EXPECT_EQ(1u, results.matchedCount());
    EXPECT_EQ(0u, results.firstMatchedGroup());
}

TEST(MatchResults, SimpleSetGrowsWithAbsentGroups) {
    MatchResultsSimple results;
    results.set(3, 5, 6);
    EXPECT_EQ(4u, results.size());
    for (unsigned int i = 0; i < 3; ++i) {
        EXPECT_EQ(-1, results.begin(i));
        EXPECT_EQ(-1, results.end(i));
    }
    EXPECT_EQ(5, results.begin(3));
    EXPECT_EQ(6, results.end(3));
    EXPECT_FALSE(results.found());
    EXPECT_EQ(3u, results.firstMatchedGroup());

    results.set(-1, 0, 0);
    EXPECT_EQ(4u, results.size());
    results.add(7, 9);
    EXPECT_EQ(5u, results.size());
    EXPECT_EQ(9, results.end(4));
    results.clear();
    EXPECT_EQ(0u, results.size());
    EXPECT_EQ(-1, results.begin(0));
}

TEST(MatchResults, RegExResultsStoreCharacterOffsets) {
    MatchResultsRegEx results;
    EXPECT_EQ(0u, results.size());
    EXPECT_FALSE(results.found());

    results.set(2, 4, 9);
    EXPECT_EQ(3u, results.size());
    EXPECT_EQ(-1, results.begin(0));
    EXPECT_EQ(-1, results.begin(1));
    EXPECT_EQ(4, results.begin(2));
    EXPECT_EQ(9, results.end(2));
    EXPECT_EQ(1u, results.matchedCount());
    EXPECT_EQ(2u, results.firstMatchedGroup());

    results.set(0, 0, 10);
    EXPECT_TRUE(results.found());
    EXPECT_EQ(2u, results.matchedCount());

    // Growing well past the engine's initial allocation.
    for (int i = 0; i < 40; ++i)
        results.add(i, i + 1);
    EXPECT_EQ(43u, results.size());
    EXPECT_EQ(39, results.begin(42));
    EXPECT_EQ(40, results.end(42));

    results.set(-4, 1, 2);
    EXPECT_EQ(43u, results.size());
    results.clear();
    EXPECT_EQ(0u, results.size());
    EXPECT_EQ(0u, results.matchedCount());
    EXPECT_EQ(-1, results.begin(0));
}

TEST(MatchResults, CapturesCopyTheGroupsThatTookPart) {
    const std::wstring text = L"key=value";
    MatchResultsSimple results;
    results.set(0, 0, 9);
    results.set(1, 0, 3);
    results.set(2, -1, -1);
    results.set(3, 4, 9);
    std::map<unsigned int, std::wstring> captures{{7, L"stale"}};
    results.getCaptures(text.data(), static_cast<int>(text.size()), &captures);
    const std::map<unsigned int, std::wstring> expected{{0, L"key=value"}, {1, L"key"}, {3, L"value"}};
    EXPECT_EQ(expected, captures);

    EXPECT_THROW(results.getCaptures(text.data(), 8, &captures), AssertionViolationException);
    EXPECT_THROW(results.getCaptures(text.data(), 9, nullptr), NullPointerException);

    // A group beyond the given length is refused even when group 0 is short enough.
    MatchResultsSimple shifted;
    shifted.set(0, 6, 9);
    EXPECT_THROW(shifted.getCaptures(text.data(), 5, &captures), AssertionViolationException);
}
