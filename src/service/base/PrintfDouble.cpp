#include "service/base/PrintfDouble.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace tessel {

namespace {

constexpr int PRECISION = 16;

// Significant digits of |value| with the decimal exponent of the first one.
struct Digits {
    char digit[PRECISION + 2];
    int count;
    int exponent;
    bool negative;
};

// Reads to_chars' scientific text "-d.ddde+XX" into digits.
Digits readScientific(const char* text, const char* end) {
    Digits digits{};
    const char* p = text;
    digits.negative = *p == '-';
    p += digits.negative ? 1 : 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.')
            digits.digit[digits.count++] = *p;
    digits.exponent = std::atoi(std::string(p + 1, end).c_str());
    return digits;
}

Digits scientific(double value, int significant) {
    char text[48];
    const std::to_chars_result result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, significant - 1);
    return readScientific(text, result.ptr);
}

// Whether |value| is exactly the 17-digit decimal: digits times ten to (exponent - 16). Only a
// value with fractional digits can be, since 10^16 already needs more than 53 bits.
bool isExactly(const Digits& digits17, double value) {
    const int places = PRECISION - digits17.exponent;
    if (places <= 0 || places > 27)
        return false;
    uint64_t number = 0;
    for (int i = 0; i < digits17.count; ++i)
        number = number * 10 + static_cast<uint64_t>(digits17.digit[i] - '0');
    uint64_t five = 1;
    for (int i = 0; i < places; ++i)
        five *= 5;
    if (number % five != 0)
        return false;
    const uint64_t mantissa = number / five;
    return mantissa < (uint64_t(1) << 53) && std::ldexp(static_cast<double>(mantissa), -places) == std::fabs(value);
}

// The first 16 of 17 digits, one unit added to the last when roundUp.
Digits cut(Digits digits17, bool roundUp) {
    Digits digits = digits17;
    digits.count = PRECISION;
    for (int i = PRECISION - 1; roundUp && i >= 0; --i) {
        roundUp = digits.digit[i] == '9';
        digits.digit[i] = roundUp ? '0' : static_cast<char>(digits.digit[i] + 1);
    }
    if (roundUp) { // 9999999999999999 became 10000000000000000
        digits.digit[0] = '1';
        ++digits.exponent;
    }
    return digits;
}

Digits roundTo16(double value) {
    const Digits digits17 = scientific(value, PRECISION + 1);
    const char last = digits17.digit[PRECISION];
    if (last != '5')
        return cut(digits17, last > '5');
    // Halfway as printed: only an exact half rounds away from zero; otherwise the value lies
    // on one side, which the direct rounding sees.
    if (isExactly(digits17, value))
        return cut(digits17, true);
    return scientific(value, PRECISION);
}

} // namespace

void appendPrintfG16(std::wstring& io_text, double value) {
    Digits digits = roundTo16(value);
    while (digits.count > 1 && digits.digit[digits.count - 1] == '0')
        --digits.count;
    if (digits.negative)
        io_text += L'-';
    const int exponent = digits.exponent;
    if (exponent < -4 || exponent >= PRECISION) {
        io_text += static_cast<wchar_t>(digits.digit[0]);
        if (digits.count > 1) {
            io_text += L'.';
            for (int i = 1; i < digits.count; ++i)
                io_text += static_cast<wchar_t>(digits.digit[i]);
        }
        io_text += exponent < 0 ? L"e-" : L"e+";
        const int magnitude = std::abs(exponent);
        io_text += static_cast<wchar_t>(L'0' + magnitude / 100);
        io_text += static_cast<wchar_t>(L'0' + magnitude / 10 % 10);
        io_text += static_cast<wchar_t>(L'0' + magnitude % 10);
        return;
    }
    if (exponent < 0) {
        io_text += L"0.";
        io_text.append(static_cast<size_t>(-exponent - 1), L'0');
        for (int i = 0; i < digits.count; ++i)
            io_text += static_cast<wchar_t>(digits.digit[i]);
        return;
    }
    for (int i = 0; i <= exponent; ++i)
        io_text += static_cast<wchar_t>(i < digits.count ? digits.digit[i] : '0');
    if (digits.count > exponent + 1) {
        io_text += L'.';
        for (int i = exponent + 1; i < digits.count; ++i)
            io_text += static_cast<wchar_t>(digits.digit[i]);
    }
}

} // namespace tessel
