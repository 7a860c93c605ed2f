#include "afw/core/afPanic.h"

#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afIcon.h"
#include "afw/support/HelperPanic.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

struct PanicCalled {
    std::wstring text;
};

std::wstring panicText(void (*body)()) {
    const afPanicHandler previous = afSetPanicHandler([](const wchar_t* text) { throw PanicCalled{text}; });
    std::wstring text = L"(no panic)";
    try {
        body();
    } catch (const PanicCalled& panic) {
        text = panic.text;
    }
    afSetPanicHandler(previous);
    return text;
}

TEST(Panic, ComposesMethodAndMessageAndLogsThem) {
    tessel_test::LogCapture log;
    EXPECT_EQ(L"afWidget::registerClass(): Class registration failed.",
              panicText([] { afPanic(L"Class registration failed.", L"afWidget::registerClass()"); }));
    EXPECT_EQ(L"NO_METHOD_SPECIFIED: NO_MESSAGE_SPECIFIED", panicText([] { afPanic(nullptr, nullptr); }));
    ASSERT_EQ(2u, log.lines().size());
    EXPECT_EQ(L"APPLICATION PANIC: afWidget::registerClass(): Class registration failed.\n", log.lines()[0].text);
    EXPECT_EQ(1, log.lines()[0].level);
    EXPECT_EQ(0x629B9E5Bu, log.lines()[0].source);

    afSetModuleInstance(::GetModuleHandleW(nullptr));
    EXPECT_EQ(L"afIcon::afIcon(resource constructor): Cannot load image from a resource.",
              panicText([] { afIcon icon(0x7777, 16); }));
    EXPECT_EQ(L"afCursor::afCursor(resource constructor): Cannot load cursor from a resource.",
              panicText([] { afCursor cursor(MAKEINTRESOURCEW(32000)); }));
}

TEST(Panic, EndsWithExitCodeOneWithoutAHandler) {
    tessel_test::expectHelperPanic(L"no-handler", "log: APPLICATION PANIC: NO_METHOD_SPECIFIED: NO_MESSAGE_SPECIFIED\n");
}

} // namespace
