#include "pel/text/NumberText.h"

#include "pel/base/Assert.h"
#include "pel/text/DoubleText.h"

#include <cerrno>
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

} // namespace

bool parseInt(int* o_int, int length, const wchar_t* text) {
    PEL_CHECK_PTR(o_int);
    if (!text || length < 1)
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    *o_int = static_cast<int>(std::wcstol(text, &end, 10));
    return errno == 0 && endsExactly(text, length, end);
}

bool parseInt(int* o_int, const std::wstring& text) {
    return parseInt(o_int, static_cast<int>(text.size()), text.c_str());
}

bool parseUnsigned(unsigned int* o_uint, int length, const wchar_t* text) {
    PEL_CHECK_PTR(o_uint);
    if (!text || length < 1)
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    *o_uint = static_cast<unsigned int>(std::wcstoul(text, &end, 10));
    return errno == 0 && endsExactly(text, length, end);
}

bool parseUnsigned(unsigned int* o_uint, const std::wstring& text) {
    return parseUnsigned(o_uint, static_cast<int>(text.size()), text.c_str());
}

bool parseDouble(double* o_double, int length, const wchar_t* text) {
    PEL_ASSERT(o_double);
    if (!text || length < 1)
        return false;
    // wcstod finds where the number ends, but the runtime's wide conversion is not correctly
    // rounded (366.0623504925953 comes back one unit in the last place off), so the value is
    // read again from the same characters by the narrow strtod, which is.
    wchar_t* end = nullptr;
    std::wcstod(text, &end);
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
