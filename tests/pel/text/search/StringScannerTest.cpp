#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"
#include "pel/text/search/RegExLibrary.h"
#include "pel/text/search/StringScanner.h"

#include <gtest/gtest.h>

#include <string>

using namespace pel;

namespace {

class StringScannerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initRegExLibrary(); }

    // "position previous-position [group 0]", the group only when the last scan matched text.
    std::wstring state() const {
        std::wstring group;
        const bool held = scanner.getGroup(0, &group);
        return std::to_wstring(scanner.getPosition()) + L" " + std::to_wstring(scanner.getPreviousPosition()) +
               (held ? L" [" + group + L"]" : L"");
    }

    StringScanner scanner;
};

} // namespace

TEST_F(StringScannerTest, WithoutTextEveryScanFails) {
    // A new scanner has no text, as one given the length -1.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(-1, scanner.getLength());
        EXPECT_TRUE(scanner.isAtEnd());
        EXPECT_FALSE(scanner.scanChar(L'\0'));
        EXPECT_FALSE(scanner.scanEscapedQuote());
        EXPECT_EQ(0, scanner.skipChars(L" "));
        EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"x*")));
        EXPECT_EQ(L"0 0", state());
        scanner.setBuffer(L"abc", -1);
    }
    scanner.setBuffer(nullptr, 0); // the empty text
    EXPECT_EQ(0, scanner.getLength());
    EXPECT_FALSE(scanner.scanChar(L'a'));
    std::wstring out = L"untouched";
    EXPECT_FALSE(scanner.getGroup(0, &out));
    EXPECT_EQ(L"untouched", out);
}

TEST_F(StringScannerTest, LengthLimitsTheText) {
    const wchar_t* text = L"abc";
    scanner.setBuffer(text, 0);
    EXPECT_EQ(3, scanner.getLength());
    scanner.setBuffer(text, 2);
    ASSERT_TRUE(scanner.scanRegEx(RegEx::create(L"[a-z]+")));
    EXPECT_EQ(L"2 0 [ab]", state());
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_THROW(scanner.setBuffer(text, 4), AssertionViolationException);
    EXPECT_THROW(scanner.setBuffer(text, -2), AssertionViolationException);
}

TEST_F(StringScannerTest, LiteralScans) {
    scanner.setBuffer(L"ab\\\" \t c");
    EXPECT_FALSE(scanner.scanChar(L'b'));
    ASSERT_TRUE(scanner.scanChar(L'a'));
    EXPECT_EQ(L"1 0 [a]", state());
    ASSERT_TRUE(scanner.scanChar(L'b'));
    EXPECT_EQ(L"2 1 [b]", state());
    ASSERT_TRUE(scanner.scanEscapedQuote()); // moves on but leaves no group
    EXPECT_EQ(L"4 2", state());
    EXPECT_FALSE(scanner.isMatched());
    EXPECT_FALSE(scanner.scanEscapedQuote());
    EXPECT_EQ(3, scanner.skipChars(L" \t"));
    EXPECT_EQ(L"7 4 [ \t ]", state());
    EXPECT_EQ(0, scanner.skipChars(L" \t")); // a failed scan forgets the earlier match
    EXPECT_EQ(0, scanner.skipChars(L""));
    EXPECT_EQ(L"7 4", state());
    ASSERT_TRUE(scanner.scanChar(L'c'));
    EXPECT_FALSE(scanner.scanChar(L'\0')); // the terminator is not part of the text
    EXPECT_EQ(L"8 7", state());

    // Positions stay within the text.
    scanner.setPosition(9);
    EXPECT_EQ(L'\0', scanner.currentChar());
    EXPECT_EQ(8, scanner.getPosition());
    scanner.setPosition(-3);
    EXPECT_EQ(L'a', scanner.currentChar());

    scanner.setBuffer(L"a\\");
    scanner.setPosition(1);
    EXPECT_FALSE(scanner.scanEscapedQuote()); // a lone backslash at the end
    EXPECT_EQ(1, scanner.getPosition());
}

TEST_F(StringScannerTest, RegExScansAreAnchoredAndKeepTheirGroups) {
    auto option = RegEx::create(L"--([a-z]+)|-([a-z])");
    scanner.setBuffer(L"--name -v");
    ASSERT_TRUE(scanner.scanRegEx(option));
    EXPECT_EQ(L"6 0 [--name]", state());
    EXPECT_EQ(L"name", scanner.getGroup(1));
    EXPECT_EQ(1u, scanner.getMatchData().firstMatchedGroup());
    std::wstring out = L"kept";
    EXPECT_FALSE(scanner.getGroup(2, &out)); // did not take part
    EXPECT_EQ(L"kept", out);
    EXPECT_FALSE(scanner.scanRegEx(option)); // anchored: the blank comes first
    EXPECT_EQ(L"6 0", state());

    EXPECT_EQ(1, scanner.skipChars(L" "));
    EXPECT_EQ(1u, scanner.getMatchData().size()); // a literal scan shows its own results, then a regex scan its own
    ASSERT_TRUE(scanner.scanRegEx(option));
    EXPECT_EQ(2u, scanner.getMatchData().firstMatchedGroup());
    EXPECT_EQ(L"v", scanner.getGroup(2));
    EXPECT_EQ(L"9 7 [-v]", state());
    // An empty match succeeds without moving, and without a group to copy.
    EXPECT_TRUE(scanner.scanRegEx(RegEx::create(L"[\\s\\S]*")));
    EXPECT_TRUE(scanner.isMatched());
    EXPECT_EQ(L"9 9", state());
    EXPECT_THROW(scanner.scanRegEx(static_cast<const RegEx*>(nullptr)), AssertionViolationException);

    // Look-behind sees the text before the position.
    scanner.setBuffer(L"ab1");
    scanner.setPosition(2);
    EXPECT_TRUE(scanner.scanRegEx(RegEx::create(L"(?<=b)\\d")));
    EXPECT_EQ(L"3 2 [1]", state());
}
