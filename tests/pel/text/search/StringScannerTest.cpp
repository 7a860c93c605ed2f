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
};

} // namespace

TEST_F(StringScannerTest, NewScannerIsAtItsEnd) {
    StringScanner scanner;
    EXPECT_EQ(-1, scanner.getLength());
    EXPECT_EQ(0, scanner.getPosition());
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_FALSE(scanner.scanChar(L'\0'));
    EXPECT_FALSE(scanner.scanEscapedQuote());
    EXPECT_EQ(0, scanner.skipChars(L" "));
    EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"").get()));
    EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"x*").get()));
    EXPECT_EQ(0, scanner.getPosition());
    EXPECT_EQ(L"", scanner.getMatchedText());
}

TEST_F(StringScannerTest, NullTextIsTheEmptyText) {
    StringScanner scanner;
    scanner.setBuffer(nullptr, 0);
    EXPECT_EQ(0, scanner.getLength());
    EXPECT_FALSE(scanner.scanChar(L'a'));
    std::wstring out = L"untouched";
    EXPECT_FALSE(scanner.getGroup(0, &out));
    EXPECT_EQ(L"untouched", out);
    EXPECT_THROW(scanner.getGroup(0, nullptr), NullPointerException);
}

TEST_F(StringScannerTest, LengthLimitsTheText) {
    const wchar_t* text = L"abc";
    auto all = RegEx::create(L"[a-z]+");
    StringScanner scanner;
    scanner.setBuffer(text, 0);
    EXPECT_EQ(3, scanner.getLength());
    scanner.setBuffer(text, 2);
    EXPECT_EQ(2, scanner.getLength());
    ASSERT_TRUE(scanner.scanRegEx(all.get()));
    EXPECT_EQ(L"ab", scanner.getMatchedText());
    EXPECT_EQ(2, scanner.getPosition());
    EXPECT_TRUE(scanner.isAtEnd());

    EXPECT_THROW(scanner.setBuffer(text, 4), AssertionViolationException);
    EXPECT_THROW(scanner.setBuffer(text, -2), AssertionViolationException);

    // -1 leaves the scanner without text: nothing matches and the position stays at 0.
    scanner.setBuffer(text, -1);
    EXPECT_EQ(-1, scanner.getLength());
    EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"a*").get()));
    EXPECT_FALSE(scanner.scanChar(L'a'));
    EXPECT_EQ(0, scanner.getPosition());
}

TEST_F(StringScannerTest, ScanCharMovesOnByOne) {
    StringScanner scanner;
    scanner.setBuffer(L"ab");
    EXPECT_FALSE(scanner.scanChar(L'b'));
    ASSERT_TRUE(scanner.scanChar(L'a'));
    EXPECT_EQ(1, scanner.getPosition());
    EXPECT_EQ(0, scanner.getPreviousPosition());
    EXPECT_EQ(L"a", scanner.getMatchedText());
    ASSERT_TRUE(scanner.scanChar(L'b'));
    EXPECT_EQ(2, scanner.getPosition());
    EXPECT_EQ(1, scanner.getPreviousPosition());
    EXPECT_FALSE(scanner.scanChar(L'b'));
    EXPECT_FALSE(scanner.scanChar(L'\0')); // the terminator is not part of the text
    EXPECT_EQ(2, scanner.getPosition());
}

TEST_F(StringScannerTest, EscapedQuote) {
    StringScanner scanner;
    scanner.setBuffer(L"\\\"x");
    ASSERT_TRUE(scanner.scanEscapedQuote());
    EXPECT_EQ(2, scanner.getPosition());
    EXPECT_EQ(0, scanner.getPreviousPosition());
    EXPECT_FALSE(scanner.isMatched());
    std::wstring out;
    EXPECT_FALSE(scanner.getGroup(0, &out));
    EXPECT_FALSE(scanner.scanEscapedQuote());

    scanner.setBuffer(L"a\\");
    scanner.setPosition(1);
    EXPECT_FALSE(scanner.scanEscapedQuote()); // a lone backslash at the end
    EXPECT_EQ(1, scanner.getPosition());
}

TEST_F(StringScannerTest, RegExScanWithGroups) {
    auto option = RegEx::create(L"--([a-z]+)|-([a-z])");
    StringScanner scanner;
    scanner.setBuffer(L"--name -v");
    ASSERT_TRUE(scanner.scanRegEx(option));
    EXPECT_EQ(6, scanner.getPosition());
    EXPECT_EQ(L"--name", scanner.getMatchedText());
    EXPECT_EQ(L"name", scanner.getGroup(1));
    EXPECT_EQ(1u, scanner.getMatchData().firstMatchedGroup());
    std::wstring out = L"kept";
    EXPECT_FALSE(scanner.getGroup(2, &out)); // did not take part
    EXPECT_EQ(L"kept", out);

    EXPECT_EQ(1, scanner.skipChars(L" \t"));
    ASSERT_TRUE(scanner.scanRegEx(option));
    EXPECT_EQ(2u, scanner.getMatchData().firstMatchedGroup());
    EXPECT_EQ(L"v", scanner.getGroup(2));
    EXPECT_EQ(7, scanner.getPreviousPosition());
    EXPECT_TRUE(scanner.isAtEnd());

    EXPECT_THROW(scanner.scanRegEx(static_cast<const RegEx*>(nullptr)), AssertionViolationException);
}

TEST_F(StringScannerTest, RegExIsAnchoredAndSeesWhatCameBefore) {
    StringScanner scanner;
    scanner.setBuffer(L"ab1");
    EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"\\d")));
    EXPECT_EQ(0, scanner.getPosition());
    scanner.setPosition(2);
    EXPECT_TRUE(scanner.scanRegEx(RegEx::create(L"(?<=b)\\d")));
    EXPECT_EQ(3, scanner.getPosition());
}

TEST_F(StringScannerTest, EmptyMatchSucceedsWithoutMoving) {
    StringScanner scanner;
    scanner.setBuffer(L"abc");
    ASSERT_TRUE(scanner.scanRegEx(RegEx::create(L"\\d*")));
    EXPECT_EQ(0, scanner.getPosition());
    EXPECT_TRUE(scanner.isMatched());
    std::wstring out;
    EXPECT_FALSE(scanner.getGroup(0, &out));
}

TEST_F(StringScannerTest, FailedScanForgetsTheEarlierMatch) {
    StringScanner scanner;
    scanner.setBuffer(L"ab");
    ASSERT_TRUE(scanner.scanChar(L'a'));
    EXPECT_FALSE(scanner.scanChar(L'x'));
    EXPECT_FALSE(scanner.isMatched());
    std::wstring out;
    EXPECT_FALSE(scanner.getGroup(0, &out));
    EXPECT_EQ(1, scanner.getPosition());

    ASSERT_TRUE(scanner.scanRegEx(RegEx::create(L"b")));
    EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"b")));
    EXPECT_EQ(L"", scanner.getMatchedText());
}

TEST_F(StringScannerTest, AlternatingKindsReuseTheirResults) {
    auto letter = RegEx::create(L"[a-z]");
    StringScanner scanner;
    scanner.setBuffer(L"a;b;c");
    ASSERT_TRUE(scanner.scanRegEx(letter));
    const MatchResults* regexResults = &scanner.getMatchData();
    ASSERT_TRUE(scanner.scanChar(L';'));
    const MatchResults* literalResults = &scanner.getMatchData();
    EXPECT_NE(regexResults, literalResults);
    ASSERT_TRUE(scanner.scanRegEx(letter));
    EXPECT_EQ(regexResults, &scanner.getMatchData());
    EXPECT_EQ(L"b", scanner.getMatchedText());
    ASSERT_TRUE(scanner.scanChar(L';'));
    EXPECT_EQ(literalResults, &scanner.getMatchData());
    EXPECT_EQ(1u, scanner.getMatchData().size());
}

TEST_F(StringScannerTest, SkipChars) {
    StringScanner scanner;
    scanner.setBuffer(L" \t bold, italic");
    EXPECT_EQ(3, scanner.skipChars(L" \t"));
    EXPECT_EQ(3, scanner.getPosition());
    EXPECT_EQ(L" \t ", scanner.getMatchedText());
    EXPECT_EQ(0, scanner.skipChars(L" \t"));
    EXPECT_FALSE(scanner.isMatched());
    EXPECT_EQ(3, scanner.getPosition());
    EXPECT_EQ(0, scanner.skipChars(L""));
    EXPECT_THROW(scanner.skipChars(nullptr), NullPointerException);

    // A NUL inside a counted text is not taken for the end of the set.
    const wchar_t withNul[] = {L'a', L'\0', L'b'};
    scanner.setBuffer(L"a b", 3);
    scanner.setBuffer(withNul, -1);
    EXPECT_EQ(0, scanner.skipChars(L"a"));
}

TEST_F(StringScannerTest, EveryOperationAtTheEndOfInput) {
    auto anything = RegEx::create(L"[\\s\\S]*");
    StringScanner scanner;
    scanner.setBuffer(L"xy");
    scanner.setPosition(2);
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_EQ(L'\0', scanner.currentChar());
    EXPECT_FALSE(scanner.scanChar(L'y'));
    EXPECT_FALSE(scanner.scanEscapedQuote());
    EXPECT_EQ(0, scanner.skipChars(L"xy"));
    EXPECT_TRUE(scanner.scanRegEx(anything)); // matches the empty rest
    EXPECT_EQ(2, scanner.getPosition());
    EXPECT_EQ(L"", scanner.getMatchedText());
    EXPECT_FALSE(scanner.scanRegEx(RegEx::create(L"y")));
    EXPECT_EQ(2, scanner.getPosition());
    scanner.setPosition(9);
    EXPECT_EQ(2, scanner.getPosition());
    scanner.setPosition(-3);
    EXPECT_EQ(0, scanner.getPosition());
    EXPECT_EQ(L'x', scanner.currentChar());
}
