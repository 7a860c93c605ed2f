#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "support/LogCapture.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <memory>

using namespace pel;
using tessel_test::shown;

namespace {

// The display texts of clones of each exception made without a message.
template <class... E>
std::wstring clonesShown() {
    std::wstring text;
    ((text += std::unique_ptr<Exception>(E().clone())->displayText() + L" "), ...);
    return text;
}

} // namespace

TEST(Exception, DisplayTextIsNameColonAndMessage) {
    EXPECT_EQ(L"IllegalStateException:", IllegalStateException(L"").displayText());
    EXPECT_EQ(L"IllegalStateException: boom", IllegalStateException(L"boom").displayText());
    EXPECT_EQ(L"StringNotAValidInteger: 12a", StringNotAValidInteger(L"12a").displayText());

    // clone keeps the dynamic type, so the copy names itself the same way.
    EXPECT_EQ(L"LogicException: AssertionViolationException: NullPointerException: InvalidArgumentException: "
              L"NotImplementedException: RangeException: IndexOutOfBoundsException: RuntimeException: "
              L"TimeoutException: SystemException: NotFoundException: NoPermissionException: "
              L"OutOfMemoryException: SyntaxException: ",
              (clonesShown<LogicException, AssertionViolationException, NullPointerException, InvalidArgumentException,
                          NotImplementedException, RangeException, IndexOutOfBoundsException, RuntimeException,
                          TimeoutException, SystemException, NotFoundException, NoPermissionException,
                          OutOfMemoryException, SyntaxException>()));
}

TEST(Exception, ParserExceptionAppendsPositions) {
    ParserException e(L"msg", TextPosition{0, 0, 0}, TextPosition{2, 5, 17});
    EXPECT_EQ(L"ParserException: msg at `0:0` - `2:5`", e.displayText());

    UnexpectedlyTerminatedException cut(TextPosition{1, 2, 3}, TextPosition{4, 5, 6});
    EXPECT_EQ(L"UnexpectedlyTerminatedException: Parsing ended unexpectedly. at `1:2` - `4:5`",
              cut.displayText());
}

TEST(Exception, UnexpectedTokenMessages) {
    const TextPosition a{1, 1, 1}, b{1, 4, 4};
    EXPECT_EQ(L"Unexpected token.", UnexpectedTokenException(a, b, L"", L"x").message);
    EXPECT_EQ(L"Unexpected token `a`.", UnexpectedTokenException(a, b, L"a", L"").message);
    EXPECT_EQ(L"Unexpected token `a`, expected `b`.", UnexpectedTokenException(a, b, L"a", L"b").message);
    // Percent signs in the token are data, not format directives.
    EXPECT_EQ(L"Unexpected token `%s%n`.", UnexpectedTokenException(a, b, L"%s%n", L"").message);

    std::unique_ptr<ParserException> copy(UnexpectedTokenException(a, b, L"a", L"b").clone());
    const auto& token = dynamic_cast<const UnexpectedTokenException&>(*copy);
    EXPECT_EQ(L"a b 4", token.found + L" " + token.expected + L" " + std::to_wstring(token.end.column));
    EXPECT_THROW(throw token, RuntimeException); // the base classes catch the family
}

TEST(Checks, HardChecksLogThenThrow) {
    tessel_test::LogCapture capture;
    EXPECT_EQ(L"AssertionViolationException: x > 0 in file \"\", line 7",
              shown([] { assertionViolation(L"x > 0", L"", 7); }));
    EXPECT_EQ(L"NullPointerException: o_int in file \"a.cpp\", line 12",
              shown([] { nullPointerViolation(L"o_int", L"a.cpp", 12); }));
    EXPECT_EQ(L"IllegalStateException: Not reached", shown([] { notReachedViolation(L"b.cpp", 3); }));
    EXPECT_EQ(L"NotImplementedException: Not implemented", shown([] { notImplementedViolation(L"c.cpp", 4); }));

    auto lines = capture.lines();
    ASSERT_EQ(4u, lines.size());
    for (const auto& line : lines)
        EXPECT_TRUE(line.level == LOG_INFO && line.source == LOG_UNKNOWN_SOURCE) << line.text;
    EXPECT_EQ(L"Assertion violation: `x > 0`\n\t(7)\n", lines[0].text);
    EXPECT_EQ(L"NULL pointer: `o_int`\n\ta.cpp(12)\n", lines[1].text);
    EXPECT_EQ(L"Not reached:\n\tb.cpp(3)\n", lines[2].text);
    EXPECT_EQ(L"NotImplemented violation:\n\tc.cpp(4)\n", lines[3].text);
}

TEST(Checks, MacrosNameTheSiteAndSoftAssertGoesOn) {
    tessel_test::LogCapture capture;
    int* missing = nullptr;
    EXPECT_THROW(PEL_CHECK_PTR(missing), NullPointerException);
    EXPECT_THROW(PEL_ASSERT(1 + 1 == 3), AssertionViolationException);

    EXPECT_FALSE(PEL_SOFT_ASSERT(2 < 1));
    EXPECT_TRUE(PEL_SOFT_ASSERT(1 < 2));

    auto lines = capture.lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(std::wstring::npos, lines[0].text.find(L"NULL pointer: `missing`"));
    // Locations name files from the source root, never the build machine's folders.
    EXPECT_NE(std::wstring::npos, lines[0].text.find(L"\n\ttests/pel/base/ExceptionTest.cpp(")) << lines[0].text;
    EXPECT_EQ(LOG_ERROR, lines[2].level);
    EXPECT_EQ(LOG_ASSERT_SOURCE, lines[2].source);
    EXPECT_EQ(0u, lines[2].text.find(L"Assertion failed for `2 < 1` in "));
    EXPECT_NE(std::wstring::npos, lines[2].text.find(L" in tests/pel/base/ExceptionTest.cpp : ")) << lines[2].text;
}
