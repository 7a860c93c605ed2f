#pragma once
// While it lives, the encoding code "ANSI" stands for the given code page instead of the
// system's, so that a test reaches the double-byte pages under the suite's code page 1252.

#include "pel/text/TextDecoding.h"

#include <cstdint>

namespace tessel_test {

class AnsiCodePage {
public:
    explicit AnsiCodePage(uint32_t codePage) { pel::setAnsiCodePage(codePage); }
    ~AnsiCodePage() { pel::setAnsiCodePage(0); }
    AnsiCodePage(const AnsiCodePage&) = delete;
    AnsiCodePage& operator=(const AnsiCodePage&) = delete;
};

} // namespace tessel_test
