#include "pel/text/NumberText.h"

#include "pel/base/Assert.h"
#include "pel/text/DoubleText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace pel {

namespace {

bool isAsciiSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

// The checks every exact-length parse shares once the conversion has run.
bool endsExactly(const wchar_t* text, int length, const wchar_t* end) {
    return length >= 1 && *text != L'\0' && end == text + length && !isAsciiSpace(*text);
}

int clampBase(int base) {
    if (base > 32)
        return 32;
    return base < 2 ? 10 : base;
}

wchar_t* formatMagnitude(uint64_t value, wchar_t* bufferEnd, int base) {
    static const wchar_t DIGITS[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUV";
    wchar_t* p = bufferEnd;
    do {
        *--p = DIGITS[value % static_cast<unsigned>(base)];
        value /= static_cast<unsigned>(base);
    } while (value != 0);
    return p;
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Whether the character after a number cannot extend it in the runtime's syntax (letters cover
// exponents, hexadecimal digits and "infinity"; beyond ASCII the runtime may find more digits).
bool endsNumber(wchar_t c) {
    return c < 0x80 && !isDigit(c) && !(c >= L'a' && c <= L'z') && !(c >= L'A' && c <= L'Z') && c != L'.' &&
           c != L'+' && c != L'-';
}

// Fast paths for the common shapes of numbers, which the runtime's conversions cost far more to
// read than the digits themselves. Each gives up (false) on anything it does not read exactly as
// the runtime would, and the caller then takes the general road.

// A sign and at most nine decimal digits, filling the length.
bool parseShortDecimal(int length, const wchar_t* text, int* o_int) {
    int i = text[0] == L'-' || text[0] == L'+' ? 1 : 0;
    if (length - i < 1 || length - i > 9 || !endsNumber(text[length]))
        return false;
    int value = 0;
    for (int at = i; at < length; ++at) {
        if (!isDigit(text[at]))
            return false;
        value = value * 10 + (text[at] - L'0');
    }
    *o_int = text[0] == L'-' ? -value : value;
    return true;
}

// Plain decimal notation (sign, digits, fraction, exponent), filling the length, whose value is
// a finite double and not an underflow to zero; read correctly rounded, as strtod reads it.
bool parsePlainDecimal(int length, const wchar_t* text, double* o_double) {
    char narrow[64];
    if (length >= static_cast<int>(sizeof narrow) || !endsNumber(text[length]))
        return false;
    int i = 0, n = 0, mantissaDigits = 0;
    bool nonZero = false;
    auto digits = [&] {
        int count = 0;
        for (; i < length && isDigit(text[i]); ++i, ++count)
            narrow[n++] = static_cast<char>(text[i]);
        return count;
    };
    if (text[0] == L'-')
        narrow[n++] = '-';
    if (text[0] == L'-' || text[0] == L'+') // from_chars takes no plus sign
        ++i;
    const int integerStart = n;
    mantissaDigits = digits();
    if (i < length && text[i] == L'.') {
        narrow[n++] = '.';
        ++i;
        mantissaDigits += digits();
    }
    for (int at = integerStart; at < n; ++at)
        nonZero = nonZero || (narrow[at] >= '1' && narrow[at] <= '9');
    if (mantissaDigits == 0)
        return false;
    if (i < length && (text[i] == L'e' || text[i] == L'E')) {
        narrow[n++] = 'e';
        ++i;
        if (i < length && (text[i] == L'+' || text[i] == L'-'))
            narrow[n++] = static_cast<char>(text[i++]);
        if (digits() == 0)
            return false;
    }
    if (i != length)
        return false;
    double value = 0;
    const std::from_chars_result result = std::from_chars(narrow, narrow + n, value);
    if (result.ec != std::errc() || result.ptr != narrow + n || std::isinf(value) || (value == 0 && nonZero))
        return false;
    *o_double = value;
    return true;
}

// The runtime's conversions go over the whole rest of their text before they convert (Wine's
// wcstod, wcstol and wcstoul take time in proportion to it), so a number read from inside a large
// document would cost as much as the rest of the document, and reading every number of it would
// take quadratic time. They get a copy of the number and of the few characters after it that
// could still extend it (an exponent with its sign and digits, a hexadecimal prefix, the rest of
// "infinity"), which decides whether the number runs past the length just as the whole text would.
class NumberWindow {
public:
    NumberWindow(const wchar_t* text, int length) : m_original(text) {
        const size_t wanted = static_cast<size_t>(length) + LOOKAHEAD;
        wchar_t* copy = m_inline;
        if (wanted >= INLINE) {
            m_heap.resize(wanted + 1);
            copy = &m_heap[0];
        }
        size_t n = 0;
        for (; n < wanted && text[n] != L'\0'; ++n)
            copy[n] = text[n];
        copy[n] = L'\0';
        m_copy = copy;
    }
    NumberWindow(const NumberWindow&) = delete;
    NumberWindow& operator=(const NumberWindow&) = delete;

    const wchar_t* text() const { return m_copy; }
    // Where the conversion that stopped at end in the copy stopped in the original text.
    const wchar_t* inOriginal(const wchar_t* end) const { return m_original + (end - m_copy); }

private:
    static constexpr size_t LOOKAHEAD = 32;
    static constexpr size_t INLINE = 96;

    const wchar_t* m_original;
    const wchar_t* m_copy;
    wchar_t m_inline[INLINE];
    std::wstring m_heap;
};

} // namespace

bool parseInt(int* o_int, int length, const wchar_t* text) {
    PEL_CHECK_PTR(o_int);
    if (!text || length < 1)
        return false;
    if (parseShortDecimal(length, text, o_int))
        return true;
    const NumberWindow window(text, length);
    wchar_t* end = nullptr;
    errno = 0;
    *o_int = static_cast<int>(std::wcstol(window.text(), &end, 10));
    return errno == 0 && endsExactly(text, length, window.inOriginal(end));
}

bool parseInt(int* o_int, const std::wstring& text) {
    return parseInt(o_int, static_cast<int>(text.size()), text.c_str());
}

bool parseUnsigned(unsigned int* o_uint, int length, const wchar_t* text) {
    PEL_CHECK_PTR(o_uint);
    if (!text || length < 1)
        return false;
    const NumberWindow window(text, length);
    wchar_t* end = nullptr;
    errno = 0;
    *o_uint = static_cast<unsigned int>(std::wcstoul(window.text(), &end, 10));
    return errno == 0 && endsExactly(text, length, window.inOriginal(end));
}

bool parseUnsigned(unsigned int* o_uint, const std::wstring& text) {
    return parseUnsigned(o_uint, static_cast<int>(text.size()), text.c_str());
}

bool parseDouble(double* o_double, int length, const wchar_t* text) {
    PEL_ASSERT(o_double);
    if (!text || length < 1)
        return false;
    if (parsePlainDecimal(length, text, o_double))
        return true;
    // wcstod finds where the number ends, but the runtime's wide conversion is not correctly
    // rounded (366.0623504925953 comes back one unit in the last place off), so the value is
    // read again from the same characters by the narrow strtod, which is.
    const NumberWindow window(text, length);
    wchar_t* copyEnd = nullptr;
    std::wcstod(window.text(), &copyEnd);
    const wchar_t* end = window.inOriginal(copyEnd);
    std::string narrow;
    narrow.reserve(static_cast<size_t>(end - text));
    // Only skipped leading space can lie outside ASCII; it stays a space for strtod.
    for (const wchar_t* p = text; p != end; ++p)
        narrow += *p > 0x7F ? ' ' : static_cast<char>(*p);
    errno = 0;
    const double value = std::strtod(narrow.c_str(), nullptr);
    *o_double = value;
    // The runtime reports ERANGE for subnormal results too; those are valid doubles, and the
    // writers produce them, so only overflow and a total underflow to zero fail.
    if (errno == ERANGE && (std::isinf(value) || value == 0))
        return false;
    return endsExactly(text, length, end);
}

bool parseDouble(double* o_double, const std::wstring& text) {
    return parseDouble(o_double, static_cast<int>(text.size()), text.c_str());
}

int parseIntOrThrow(int length, const wchar_t* text) {
    int value = 0;
    if (!parseInt(&value, length, text))
        throw StringNotAValidInteger(text ? text : L"");
    return value;
}

wchar_t* formatDigits(int64_t i_i64, wchar_t* bufferEnd, int base) {
    PEL_ASSERT(i_i64 >= 0);
    return formatMagnitude(static_cast<uint64_t>(i_i64), bufferEnd, clampBase(base));
}

void formatInteger(std::wstring& out, int64_t value, int base, int width) {
    PEL_SOFT_ASSERT(base > 0 && base <= 32);
    PEL_SOFT_ASSERT(width >= 0 && width <= 64);
    width = width < 0 ? 0 : (width > 64 ? 64 : width);
    base = clampBase(base);

    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        out += L'-';
        if (width > 0)
            --width;
        // Unsigned negation: the most negative value has no positive 64-bit form.
        magnitude = 0 - magnitude;
    }
    wchar_t buffer[64];
    wchar_t* const end = buffer + 64;
    const wchar_t* first = formatMagnitude(magnitude, end, base);
    const int digits = static_cast<int>(end - first);
    if (digits < width)
        out.append(static_cast<size_t>(width - digits), L'0');
    out.append(first, static_cast<size_t>(end - first));
}

void formatInteger32(std::wstring& out, int32_t value, int base) {
    formatInteger(out, value, base, 0);
}

void formatUnsigned(std::wstring& out, uint32_t value, int base, int width) {
    formatInteger(out, static_cast<int64_t>(value), base, width);
}

void formatDouble(std::wstring& out, double value) {
    char buffer[32];
    for (const char* p = formatDoubleShortest(buffer, value); *p; ++p)
        out += static_cast<wchar_t>(*p);
}

} // namespace pel
