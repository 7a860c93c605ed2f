#include "service/parser/PatternSyntax.h"

#include "pel/base/Ascii.h"
#include "pel/text/WideString.h"

#include <algorithm>
#include <iterator>

namespace tessel {

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// "{n}", "{n,}", "{n,m}" or "{,m}" at *io_at: read, its least count in *o_low, and in
// *o_takesLazyMark whether a "?" after it makes it lazy. After "{n}", and after "{n,m}" with n
// above m (the possessive "{m,n}"), a "?" is a quantifier of its own that lets it go.
bool readInterval(const std::wstring& p, size_t* io_at, long* o_low, bool* o_takesLazyMark) {
    const size_t n = p.size();
    size_t j = *io_at + 1;
    long low = 0;
    long high = 0;
    size_t lowDigits = 0;
    size_t highDigits = 0;
    for (; j < n && isDigit(p[j]); ++j, ++lowDigits)
        low = std::min(low * 10 + (p[j] - L'0'), 100000L);
    const bool ranged = j < n && p[j] == L',';
    if (ranged)
        for (++j; j < n && isDigit(p[j]); ++j, ++highDigits)
            high = std::min(high * 10 + (p[j] - L'0'), 100000L);
    if (j >= n || p[j] != L'}' || lowDigits + highDigits == 0)
        return false;
    const bool reversed = highDigits > 0 && low > high;
    *io_at = j + 1;
    *o_low = reversed ? high : low;
    *o_takesLazyMark = ranged && !reversed;
    return true;
}

} // namespace

bool readQuantifiers(const std::wstring& p, size_t* io_at, long* o_least) {
    bool any = false;
    *o_least = 1;
    for (;;) {
        size_t i = *io_at;
        if (!skipComments(p, &i) || i >= p.size())
            break;
        const wchar_t c = p[i];
        bool takesLazyMark = true;
        bool takesPossessiveMark = true;
        if (c == L'*' || c == L'?') {
            *o_least = 0;
            ++i;
        } else if (c == L'+') {
            ++i;
        } else if (c == L'{') {
            long low = 0;
            if (!readInterval(p, &i, &low, &takesLazyMark))
                break;
            // An interval's "+" repeats it: a quantifier of its own.
            takesPossessiveMark = false;
            *o_least = std::min(*o_least, low);
        } else {
            break;
        }
        any = true;
        if (i < p.size() && ((p[i] == L'?' && takesLazyMark) || (p[i] == L'+' && takesPossessiveMark)))
            ++i;
        *io_at = i;
    }
    return any;
}

bool skipComments(const std::wstring& p, size_t* io_at) {
    size_t i = *io_at;
    while (p.compare(i, 3, L"(?#") == 0) {
        for (i += 3; i < p.size() && p[i] != L')'; ++i)
            if (p[i] == L'\\')
                ++i;
        if (i >= p.size())
            return false;
        *io_at = ++i;
    }
    return true;
}

bool skipCallout(const std::wstring& p, size_t* io_at) {
    const size_t n = p.size();
    size_t i = *io_at;
    if (p.compare(i, 2, L"(*") != 0)
        return false;
    for (i += 2; i < n && p[i] != L')' && p[i] != L'[' && p[i] != L'{'; ++i) {
    }
    if (i < n && p[i] == L'[') { // a tag
        while (i < n && p[i] != L']')
            ++i;
        ++i;
    }
    if (i < n && p[i] == L'{') { // arguments, in which a backslash escapes
        for (++i; i < n && p[i] != L'}'; ++i)
            if (p[i] == L'\\')
                ++i;
        ++i;
    }
    if (i >= n || p[i] != L')')
        return false;
    *io_at = i + 1;
    return true;
}

BracketOpening readPosixBracket(const std::wstring& p, size_t* io_at, std::wstring* o_name) {
    static const wchar_t* const names[] = {L"alnum", L"alpha", L"blank", L"cntrl", L"digit", L"graph", L"lower",
                                           L"print", L"punct", L"space", L"upper", L"xdigit", L"ascii", L"word"};
    const size_t n = p.size();
    const size_t start = *io_at + 2;
    // A POSIX bracket only where ":]" comes before any "]" that no backslash escapes.
    size_t close = start;
    for (; close < n && !(p[close] == L':' && close + 1 < n && p[close + 1] == L']'); ++close) {
        if (p[close] == L']')
            return BracketOpening::NESTED;
        if (p[close] == L'\\')
            ++close;
    }
    if (close >= n)
        return BracketOpening::NESTED;
    const std::wstring name = p.substr(start, close - start);
    const size_t bare = name.compare(0, 1, L"^") == 0 ? 1 : 0; // past a negation
    const auto named = [&](const wchar_t* known) { return name.compare(bare, std::wstring::npos, known) == 0; };
    if (std::none_of(std::begin(names), std::end(names), named))
        return BracketOpening::OTHER;
    *o_name = name;
    *io_at = close + 2;
    return BracketOpening::POSIX;
}

size_t characterLength(const std::wstring& p, size_t at) {
    return at + 1 < p.size() && pel::is_high_surrogate(p[at]) && pel::is_low_surrogate(p[at + 1]) ? 2 : 1;
}

bool readCodeEscape(const std::wstring& p, wchar_t letter, size_t* io_at, uint32_t* o_value) {
    const size_t n = p.size();
    size_t& i = *io_at;
    uint32_t value = 0;
    size_t digits = 0;
    if (letter == L'x' && i < n && p[i] == L'{') {
        size_t j = i + 1;
        for (; j < n && pel::Ascii::hexDigitValue(p[j]) >= 0 && digits < 8; ++j, ++digits)
            value = value * 16 + static_cast<uint32_t>(pel::Ascii::hexDigitValue(p[j]));
        if (j >= n || p[j] != L'}' || digits == 0)
            return false;
        i = j + 1;
    } else {
        const size_t most = letter == L'x' ? 2 : 4;
        for (; i < n && digits < most && pel::Ascii::hexDigitValue(p[i]) >= 0; ++i, ++digits)
            value = value * 16 + static_cast<uint32_t>(pel::Ascii::hexDigitValue(p[i]));
        if (digits == 0 || (letter == L'u' && digits != 4))
            return false;
    }
    *o_value = value;
    return true;
}

} // namespace tessel
