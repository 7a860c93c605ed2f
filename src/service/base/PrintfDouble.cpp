#include "service/base/PrintfDouble.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace tessel {

namespace {

constexpr int MAX_PRECISION = 17;

// Significant digits of |value| with the decimal exponent of the first one.
struct Digits {
    char digit[MAX_PRECISION + 2];
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

// Whether |value| is exactly the decimal of precision + 1 digits: digits times ten to
// (exponent - precision). Only a value with fractional digits can be, since 10^16 already needs
// more than 53 bits.
bool isExactly(const Digits& digits17, double value, int precision) {
    const int places = precision - digits17.exponent;
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

// The first precision of precision + 1 digits, one unit added to the last when roundUp.
Digits cut(Digits digits17, bool roundUp, int precision) {
    Digits digits = digits17;
    digits.count = precision;
    for (int i = precision - 1; roundUp && i >= 0; --i) {
        roundUp = digits.digit[i] == '9';
        digits.digit[i] = roundUp ? '0' : static_cast<char>(digits.digit[i] + 1);
    }
    if (roundUp) { // 9999999999999999 became 10000000000000000
        digits.digit[0] = '1';
        ++digits.exponent;
    }
    return digits;
}

Digits roundTo(double value, int precision) {
    const Digits digits17 = scientific(value, precision + 1);
    const char last = digits17.digit[precision];
    if (last != '5')
        return cut(digits17, last > '5', precision);
    // Halfway as printed: only an exact half rounds away from zero; otherwise the value lies
    // on one side, which the direct rounding sees.
    if (isExactly(digits17, value, precision))
        return cut(digits17, true, precision);
    return scientific(value, precision);
}

// The exponent from which the 16-digit form takes the exponent form: the 17-digit form takes it
// from there too, where printf's "%.17g" writes 17 whole digits that read as an integer's text.
constexpr int EXPONENT_FORM_FROM = 16;

void appendPrintfG(std::wstring& io_text, double value, int precision) {
    Digits digits = roundTo(value, precision);
    while (digits.count > 1 && digits.digit[digits.count - 1] == '0')
        --digits.count;
    if (digits.negative)
        io_text += L'-';
    const int exponent = digits.exponent;
    if (exponent < -4 || exponent >= std::min(precision, EXPONENT_FORM_FROM)) {
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

// Whether the printed number (ASCII) reads back as the value, as the value-tree parser reads it.
bool readsBackAs(const wchar_t* text, size_t length, double value) {
    char narrow[48];
    if (length >= sizeof narrow)
        return false;
    for (size_t i = 0; i < length; ++i)
        narrow[i] = static_cast<char>(text[i]);
    double read = 0;
    const std::from_chars_result result = std::from_chars(narrow, narrow + length, read);
    return result.ec == std::errc() && result.ptr == narrow + length && std::isfinite(read) && read == value;
}

} // namespace

void appendPrintfG16(std::wstring& io_text, double value) { appendPrintfG(io_text, value, 16); }

void appendRoundTripDouble(std::wstring& io_text, double value) {
    const size_t start = io_text.size();
    appendPrintfG(io_text, value, 16);
    if (readsBackAs(io_text.data() + start, io_text.size() - start, value))
        return;
    io_text.resize(start);
    appendPrintfG(io_text, value, MAX_PRECISION);
}

} // namespace tessel
