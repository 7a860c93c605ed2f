#include "service/parser/PatternSyntax.h"

#include "pel/base/Ascii.h"

#include <algorithm>

namespace tessel {

namespace {

// "{n}", "{n,}", "{n,m}" or "{,m}" at *io_at: read, its least count in *o_low.
bool readInterval(const std::wstring& p, size_t* io_at, long* o_low) {
    const size_t n = p.size();
    size_t j = *io_at + 1;
    long low = 0;
    size_t digits = 0;
    for (; j < n && p[j] >= L'0' && p[j] <= L'9'; ++j, ++digits)
        low = std::min(low * 10 + (p[j] - L'0'), 100000L);
    if (j < n && p[j] == L',')
        for (++j; j < n && p[j] >= L'0' && p[j] <= L'9'; ++j)
            ++digits;
    if (j >= n || p[j] != L'}' || digits == 0)
        return false;
    *io_at = j + 1;
    *o_low = low;
    return true;
}

} // namespace

bool readQuantifiers(const std::wstring& p, size_t* io_at, long* o_least) {
    bool any = false;
    *o_least = 1;
    size_t& i = *io_at;
    while (i < p.size()) {
        const wchar_t c = p[i];
        if (c == L'*' || c == L'?') {
            *o_least = 0;
            ++i;
        } else if (c == L'+') {
            ++i;
        } else if (c == L'{') {
            long low = 0;
            if (!readInterval(p, io_at, &low))
                break;
            *o_least = std::min(*o_least, low);
        } else {
            break;
        }
        any = true;
        // A lazy or possessive mark.
        if (i < p.size() && (p[i] == L'?' || p[i] == L'+'))
            ++i;
    }
    return any;
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
