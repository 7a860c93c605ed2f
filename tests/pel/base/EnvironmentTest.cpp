#include "pel/base/Assert.h"
#include "pel/base/Environment.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <string>

using namespace pel;
using tessel_test::thrown;

TEST(Environment, SetGetAndMissing) {
    EnvironmentImpl::set(L"TESSEL_TEST_VARIABLE", L"value one");
    EXPECT_TRUE(EnvironmentImpl::has(L"TESSEL_TEST_VARIABLE"));
    EXPECT_EQ(L"value one", EnvironmentImpl::get(L"TESSEL_TEST_VARIABLE"));

    std::wstring text = L"prefix:";
    EnvironmentImpl::get(L"TESSEL_TEST_VARIABLE", &text, true);
    EXPECT_EQ(L"prefix:value one", text);

    const std::wstring longValue(3000, L'x');
    EnvironmentImpl::set(L"TESSEL_TEST_VARIABLE", longValue.c_str());
    EXPECT_EQ(longValue, EnvironmentImpl::get(L"TESSEL_TEST_VARIABLE"));

    EnvironmentImpl::set(L"TESSEL_TEST_EMPTY", L"");
    EXPECT_TRUE(EnvironmentImpl::has(L"TESSEL_TEST_EMPTY"));
    EXPECT_EQ(L"", EnvironmentImpl::get(L"TESSEL_TEST_EMPTY"));

    EXPECT_FALSE(EnvironmentImpl::has(L"TESSEL_TEST_NEVER_SET"));
    EXPECT_EQ(L"TESSEL_TEST_NEVER_SET", thrown<NotFoundException>([] { EnvironmentImpl::get(L"TESSEL_TEST_NEVER_SET"); }));
    EXPECT_EQ(L"Cannot set environment variable: BAD=NAME",
              thrown<SystemException>([] { EnvironmentImpl::set(L"BAD=NAME", L"x"); }));
}

TEST(Environment, ProcessFacts) {
    std::wstring path;
    EnvironmentImpl::getApplicationPath(&path);
    EXPECT_NE(std::wstring::npos, path.find(L"pel_foundation_tests"));
    EnvironmentImpl::getCommandLine(&path);
    EXPECT_NE(std::wstring::npos, path.find(L"pel_foundation_tests"));
}
