#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>

using namespace pel;

namespace {

template <class E>
std::wstring shown(const wchar_t* message) {
    return E(message).displayText();
}

} // namespace

TEST(Exception, DisplayTextIsNameColonAndMessage) {
    EXPECT_EQ(L"IllegalStateException:", shown<IllegalStateException>(L""));
    EXPECT_EQ(L"IllegalStateException: boom", shown<IllegalStateException>(L"boom"));
    EXPECT_EQ(L"StringNotAValidInteger: 12a", shown<StringNotAValidInteger>(L"12a"));

    struct Row {
        std::unique_ptr<Exception> e;
        const wchar_t* name;
    };
    Row rows[] = {
        {std::make_unique<LogicException>(), L"LogicException"},
        {std::make_unique<AssertionViolationException>(), L"AssertionViolationException"},
        {std::make_unique<NullPointerException>(), L"NullPointerException"},
        {std::make_unique<InvalidArgumentException>(), L"InvalidArgumentException"},
        {std::make_unique<NotImplementedException>(), L"NotImplementedException"},
        {std::make_unique<RangeException>(), L"RangeException"},
        {std::make_unique<IndexOutOfBoundsException>(), L"IndexOutOfBoundsException"},
        {std::make_unique<RuntimeException>(), L"RuntimeException"},
        {std::make_unique<TimeoutException>(), L"TimeoutException"},
        {std::make_unique<SystemException>(), L"SystemException"},
        {std::make_unique<NotFoundException>(), L"NotFoundException"},
        {std::make_unique<NoPermissionException>(), L"NoPermissionException"},
        {std::make_unique<OutOfMemoryException>(), L"OutOfMemoryException"},
        {std::make_unique<SyntaxException>(), L"SyntaxException"},
    };
    for (const Row& row : rows) {
        EXPECT_STREQ(row.name, row.e->name());
        // clone keeps the dynamic type, so the copy names itself the same way.
        std::unique_ptr<Exception> copy(row.e->clone());
        EXPECT_STREQ(row.name, copy->name());
        EXPECT_EQ(std::wstring(row.name) + L":", copy->displayText());
    }
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

    UnexpectedTokenException original(a, b, L"a", L"b");
    std::unique_ptr<ParserException> copy(original.clone());
    EXPECT_STREQ(L"UnexpectedTokenException", copy->name());
    auto* token = dynamic_cast<UnexpectedTokenException*>(copy.get());
    ASSERT_NE(nullptr, token);
    EXPECT_EQ(L"a", token->found);
    EXPECT_EQ(L"b", token->expected);
    EXPECT_EQ(4u, token->end.column);
}

TEST(Exception, BaseClassesCatchTheirFamily) {
    try {
        throw UnexpectedTokenException({}, {}, L"x", L"");
    } catch (const RuntimeException& e) {
        EXPECT_STREQ(L"UnexpectedTokenException", e.name());
    }
}

TEST(Checks, HardChecksLogThenThrow) {
    tessel_test::LogCapture capture;
    try {
        assertionViolation(L"x > 0", L"", 7);
        FAIL();
    } catch (const AssertionViolationException& e) {
        EXPECT_EQ(L"x > 0 in file \"\", line 7", e.message);
    }
    try {
        nullPointerViolation(L"o_int", L"a.cpp", 12);
        FAIL();
    } catch (const NullPointerException& e) {
        EXPECT_EQ(L"o_int in file \"a.cpp\", line 12", e.message);
    }
    try {
        notReachedViolation(L"b.cpp", 3);
        FAIL();
    } catch (const IllegalStateException& e) {
        EXPECT_EQ(L"Not reached", e.message);
    }
    try {
        notImplementedViolation(L"c.cpp", 4);
        FAIL();
    } catch (const NotImplementedException& e) {
        EXPECT_EQ(L"Not implemented", e.message);
    }

    auto lines = capture.lines();
    ASSERT_EQ(4u, lines.size());
    for (const auto& line : lines) {
        EXPECT_EQ(LOG_INFO, line.level);
        EXPECT_EQ(LOG_UNKNOWN_SOURCE, line.source);
    }
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
    EXPECT_NE(std::wstring::npos, lines[0].text.find(L"ExceptionTest.cpp("));
    EXPECT_EQ(LOG_ERROR, lines[2].level);
    EXPECT_EQ(LOG_ASSERT_SOURCE, lines[2].source);
    EXPECT_EQ(0u, lines[2].text.find(L"Assertion failed for `2 < 1` in "));
    EXPECT_NE(std::wstring::npos, lines[2].text.find(L"ExceptionTest.cpp : "));
}
