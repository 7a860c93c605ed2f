#include "pel/text/DoubleText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pel {

ShortestDigits dtoa(double value) {
    ShortestDigits result{};
    result.negative = std::signbit(value);
    if (!std::isfinite(value)) {
        const char* text = std::isnan(value) ? "NaN" : "Infinity";
        result.length = static_cast<int>(std::strlen(text));
        std::memcpy(result.digits, text, static_cast<size_t>(result.length) + 1);
        result.decpt = ShortestDigits::SPECIAL_DECPT;
        return result;
    }
    // Shortest round-trip scientific form: "d", or "d.ddd", then "e+XX" / "e-XXX".
    char text[40];
    const std::to_chars_result converted =
        std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific);
    *converted.ptr = '\0';
    const char* p = text;
    int length = 0;
    for (; *p != 'e'; ++p) {
        if (*p != '.')
            result.digits[length++] = *p;
    }
    result.digits[length] = '\0';
    result.length = length;
    result.decpt = std::atoi(p + 1) + 1;
    return result;
}

char* formatDoubleShortest(char* buffer, double value) {
    const ShortestDigits d = dtoa(value);
    char* b = buffer;
    if (d.negative)
        *b++ = '-';
    if (d.decpt == ShortestDigits::SPECIAL_DECPT) {
        std::memcpy(b, d.digits, static_cast<size_t>(d.length) + 1);
        return buffer;
    }
    const char* s = d.digits;
    if (d.decpt <= -4 || d.decpt > d.length + 5) {
        *b++ = *s++;
        if (*s) {
            *b++ = '.';
            while (*s)
                *b++ = *s++;
        }
        *b++ = 'e';
        int exponent = d.decpt - 1;
        if (exponent < 0) {
            *b++ = '-';
            exponent = -exponent;
        } else {
            *b++ = '+';
        }
        if (exponent < 10)
            *b++ = '0';
        char digits[4];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + exponent % 10);
            exponent /= 10;
        } while (exponent);
        while (count)
            *b++ = digits[--count];
    } else if (d.decpt > 0) {
        for (int i = 0; i < d.decpt; ++i)
            *b++ = *s ? *s++ : '0';
        if (*s) {
            *b++ = '.';
            while (*s)
                *b++ = *s++;
        }
    } else {
        *b++ = '.';
        for (int i = d.decpt; i < 0; ++i)
            *b++ = '0';
        while (*s)
            *b++ = *s++;
    }
    *b = '\0';
    return buffer;
}

} // namespace pel
