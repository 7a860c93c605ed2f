#pragma once
// Runs a mode of the framework tests' helper program, which is to end through the panic: exit
// code 1 and the printing handler's line.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

namespace tessel_test {

inline void expectHelperPanic(const wchar_t* mode, const char* output) {
    ChildProcess child(mode, true, L"afw_test_helper.exe");
    ASSERT_TRUE(child.started()) << mode;
    EXPECT_EQ(1u, child.wait()) << mode;
    EXPECT_EQ(output, child.output()) << mode;
}

} // namespace tessel_test
