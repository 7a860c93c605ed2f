#include "pel/base/Assert.h"

#include "pel/log/Log.h"

#include <sstream>

namespace pel {

namespace {

// `expression in file "path", line N`, the expression and its blank only when one is given.
std::wstring locationText(const wchar_t* expression, const wchar_t* file, int line) {
    std::wostringstream text;
    if (expression)
        text << expression << L' ';
    text << L"in file \"" << (file ? file : L"") << L"\", line " << line;
    return text.str();
}

const wchar_t* orEmpty(const wchar_t* text) { return text ? text : L""; }

} // namespace

void assertionViolation(const wchar_t* expression, const wchar_t* file, int line) {
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"Assertion violation: `%s`\n\t%s(%d)", orEmpty(expression),
               orEmpty(file), line);
    throw AssertionViolationException(locationText(orEmpty(expression), file, line));
}

void nullPointerViolation(const wchar_t* expression, const wchar_t* file, int line) {
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"NULL pointer: `%s`\n\t%s(%d)", orEmpty(expression),
               orEmpty(file), line);
    throw NullPointerException(locationText(orEmpty(expression), file, line));
}

void notReachedViolation(const wchar_t* file, int line) {
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"Not reached:\n\t%s(%d)", orEmpty(file), line);
    throw IllegalStateException(L"Not reached");
}

void notImplementedViolation(const wchar_t* file, int line) {
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"NotImplemented violation:\n\t%s(%d)", orEmpty(file), line);
    throw NotImplementedException(L"Not implemented");
}

void softAssertion(const wchar_t* expression, const wchar_t* file, int line) {
    log_printf(LOG_ERROR, LOG_ASSERT_SOURCE, L"Assertion failed for `%s` in %s : %d.", orEmpty(expression),
               orEmpty(file), line);
}

} // namespace pel
