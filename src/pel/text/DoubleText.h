#pragma once
// The shortest decimal text of a double that reads back as the same value, in the library's
// layout: no zero before the point (".25"), exponents with a sign and at least two digits
// ("1e-05", "1.5e+300"), "Infinity" and "NaN". Stateless; safe on any thread.

namespace pel {

// The shortest digits of a double. decpt is the position of the decimal point relative to the
// first digit (0.25 gives "25" with decpt 0); negative is the sign bit (set for -0 and negative
// NaN too). Infinity and NaN give the digits "Infinity" and "NaN" with decpt 9999; zero gives
// "0" with decpt 1.
struct ShortestDigits {
    static constexpr int SPECIAL_DECPT = 9999;

    char digits[24];
    int length;
    int decpt;
    bool negative;
};

ShortestDigits dtoa(double value);

// Writes the NUL-terminated text into `buffer` (32 bytes suffice) and returns `buffer`.
char* formatDoubleShortest(char* buffer, double value);

} // namespace pel
