#include "pel/text/search/RegEx.h"

#include "pel/base/Assert.h"
#include "pel/text/Utf8Text.h"
#include "pel/text/search/RegExLibrary.h"

#include <oniguruma.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace pel {

namespace {

const OnigUChar* bytes(const wchar_t* p) {
    return reinterpret_cast<const OnigUChar*>(p);
}

const OnigUChar* bytes(const char* p) {
    return reinterpret_cast<const OnigUChar*>(p);
}

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

constexpr long MAX_CODE_POINT = 0x10FFFF;

// The value of the hex digits in [begin, end), or -1 when there are none, too many, or a non-digit.
long long hexValue(const std::wstring& text, size_t begin, size_t end) {
    if (begin >= end || end - begin > 8)
        return -1;
    long long value = 0;
    for (size_t i = begin; i < end; ++i) {
        const wchar_t c = text[i];
        if (!isHexDigit(c))
            return -1;
        value = value * 16 + (c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10);
    }
    return value;
}

// A braced escape "\x{H...}" at i: its code point and the position after it.
bool bracedEscapeAt(const std::wstring& text, size_t i, long long* o_code, size_t* o_end) {
    if (text.compare(i, 3, L"\\x{") != 0)
        return false;
    const size_t close = text.find(L'}', i + 3);
    if (close == std::wstring::npos)
        return false;
    *o_code = hexValue(text, i + 3, close);
    *o_end = close + 1;
    return *o_code >= 0;
}

// "[^\x{0}-\x{H}]" at i: its length and the first code point after its range.
bool negatedRangeFromZeroAt(const std::wstring& text, size_t i, size_t* o_length, long* o_first) {
    if (text.compare(i, 2, L"[^") != 0)
        return false;
    long long low = 0, high = 0;
    size_t dash = 0, end = 0;
    if (!bracedEscapeAt(text, i + 2, &low, &dash) || low != 0 || dash >= text.size() || text[dash] != L'-' ||
        !bracedEscapeAt(text, dash + 1, &high, &end) || end >= text.size() || text[end] != L']' ||
        high >= MAX_CODE_POINT)
        return false;
    *o_length = end + 1 - i;
    *o_first = static_cast<long>(high + 1);
    return true;
}

// Whether a braced escape (not after an escaping backslash) names a code point beyond U+10FFFF:
// the engine's UTF-16 encoding refuses one, its UTF-8 encoding would take it.
bool namesCodeBeyondUnicode(const std::wstring& pattern) {
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != L'\\')
            continue;
        long long code = 0;
        size_t end = 0;
        if (bracedEscapeAt(pattern, i, &code, &end) && code > MAX_CODE_POINT)
            return true;
        ++i; // the escaped character starts nothing
    }
    return false;
}

std::wstring braced(long code) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"\\x{%lX}", code);
    return buffer;
}

// The results a call fills: the caller's, cleared, or new ones the caller then owns.
MatchResultsRegEx* freshResults(MatchResultsRegEx* results) {
    if (!results)
        return new MatchResultsRegEx();
    results->clear();
    return results;
}

// The code of a pattern refused before the engine sees it; the engine's own codes are above.
constexpr int ERROR_PATTERN_TOO_LONG = -100000;

// Whether the pattern may match case-insensitively: the option, or an option group that turns
// "i" on ("(?i)", "(?mi-x:"). Look-arounds, atomic and named groups ("(?=if", "(?<!i)") are no
// option groups: grammar alternations hold hundreds of them and stay within no length limit.
bool mayIgnoreCase(const wchar_t* pattern, size_t length, uint32_t options) {
    if (options & RegExOptions::IGNORE_CASE)
        return true;
    for (size_t i = 0; i + 2 < length; ++i) {
        if (pattern[i] == L'\\') {
            ++i; // an escaped "(" opens nothing
            continue;
        }
        if (pattern[i] != L'(' || pattern[i + 1] != L'?')
            continue;
        bool on = true, ignoreCase = false;
        size_t k = i + 2;
        for (; k < length && wcschr(L"imxWDSPya-", pattern[k]) && pattern[k]; ++k) {
            if (pattern[k] == L'-')
                on = false;
            else if (pattern[k] == L'i' && on)
                ignoreCase = true;
        }
        if (ignoreCase && k < length && (pattern[k] == L':' || pattern[k] == L')'))
            return true;
    }
    return false;
}

// The length of the meta or control escape that starts at i ("\M-", "\C-", "\c"), 0 for
// anything else.
size_t escapeLinkLength(const wchar_t* pattern, size_t length, size_t i) {
    if (pattern[i] != L'\\' || i + 1 >= length)
        return 0;
    const wchar_t kind = pattern[i + 1];
    if ((kind == L'M' || kind == L'C') && i + 2 < length && pattern[i + 2] == L'-')
        return 3;
    return kind == L'c' ? 2 : 0;
}

// The longest run of meta and control escapes each of which takes the next escape for its
// character ("\M-\C-\cA"). The engine reads such a run by recursion, one level a link,
// and its parse depth limit does not see them.
size_t longestEscapeChain(const wchar_t* pattern, size_t length) {
    size_t longest = 0;
    size_t i = 0;
    while (i < length) {
        if (pattern[i] != L'\\') {
            ++i;
            continue;
        }
        size_t links = 0;
        while (i < length) {
            const size_t link = escapeLinkLength(pattern, length, i);
            if (link == 0)
                break;
            ++links;
            i += link;
        }
        longest = std::max(longest, links);
        if (links == 0)
            i += 2; // an escaped character
    }
    return longest;
}

} // namespace

RegExSubject::RegExSubject(const wchar_t* text, size_t length) : m_begin(text), m_end(text ? text + length : text) {
    if (!text || length == 0 || text[length - 1] < 0xD800 || text[length - 1] > 0xDBFF)
        return;
    // The engine looks one unit past a high surrogate to see whether it begins a pair; a unit
    // that is no low surrogate after the copy keeps it alone.
    m_copy.reserve(length + 1);
    m_copy.assign(text, length);
    m_copy.push_back(L'\0');
    m_begin = m_copy.data();
    m_end = m_begin + length;
}

// The engine's side of a RegEx. It compiles from its own copy of the pattern: the engine's
// error record points into the pattern text, and the caller's buffer may be gone when the
// error is asked for.
class RegExCompiled {
public:
    explicit RegExCompiled(RegExEncoding encoding)
        : m_encoding(encoding == RegExEncoding::UTF8 ? ONIG_ENCODING_UTF8 : ONIG_ENCODING_UTF16_LE),
          m_syntax(OnigDefaultSyntax) {}
    ~RegExCompiled() {
        if (m_regex)
            onig_free(m_regex);
    }

    bool compile(const wchar_t* pattern, size_t length, uint32_t options) {
        if (!pattern || length == 0)
            return false;
        m_pattern.assign(pattern, length);
        m_last_error = 0;
        if (m_regex) {
            onig_free(m_regex);
            m_regex = nullptr;
        }
        m_error_info = OnigErrorInfo();
        if (length > REGEX_MAX_IGNORE_CASE_LENGTH && mayIgnoreCase(pattern, length, options)) {
            m_last_error = ERROR_PATTERN_TOO_LONG;
            return false;
        }
        if (longestEscapeChain(pattern, length) > REGEX_PARSE_DEPTH_LIMIT) {
            m_last_error = ONIGERR_PARSE_DEPTH_LIMIT_OVER;
            return false;
        }
        const OnigUChar* start = bytes(m_pattern.data());
        const OnigUChar* end = bytes(m_pattern.data() + length);
        if (isUtf8() && namesCodeBeyondUnicode(m_pattern)) {
            m_last_error = ONIGERR_INVALID_CODE_POINT_VALUE;
            return false;
        }
        if (isUtf8()) {
            m_utf8.assign(m_pattern);
            start = bytes(m_utf8.data());
            end = bytes(m_utf8.end());
        }
        m_last_error = onig_new(&m_regex, start, end, options, m_encoding, m_syntax, &m_error_info);
        if (m_last_error != ONIG_NORMAL) {
            if (m_regex) {
                onig_free(m_regex);
                m_regex = nullptr;
            }
            return false;
        }
        m_utf8 = Utf8Text(); // needed only to place an error
        return true;
    }

    bool isUtf8() const { return m_encoding == ONIG_ENCODING_UTF8; }

    // Where in the UTF-16 pattern a pointer into the text the engine compiled points.
    size_t patternOffset(const OnigUChar* p) const {
        if (isUtf8())
            return m_utf8.unitOffset(static_cast<size_t>(p - bytes(m_utf8.data())));
        return static_cast<size_t>(p - bytes(m_pattern.data())) / 2;
    }

    std::wstring m_pattern;
    Utf8Text m_utf8; // the pattern as the engine read it, when for UTF-8 and it did not compile
    OnigRegex m_regex = nullptr;
    OnigEncoding m_encoding;
    OnigSyntaxType* m_syntax;
    OnigErrorInfo m_error_info = OnigErrorInfo();
    int m_last_error = 0;
};

RegEx::RegEx(const wchar_t* pattern, size_t length, RegExOptions options, RegExEncoding encoding)
    : m_compiled(new RegExCompiled(encoding)), m_options(options.options), m_global(options.global),
      m_encoding(encoding) {
    initRegExLibrary();
    m_compiled->compile(pattern, length, m_options);
    m_last_error.store(m_compiled->m_last_error, std::memory_order_relaxed);
}

RegEx::~RegEx() = default;

std::unique_ptr<RegEx> RegEx::create(const wchar_t* pattern, RegExOptions options) {
    return std::unique_ptr<RegEx>(new RegEx(pattern, pattern ? std::wcslen(pattern) : 0, options, RegExEncoding::UTF16));
}

std::unique_ptr<RegEx> RegEx::create(const std::wstring& pattern, RegExOptions options) {
    return create(pattern, options, RegExEncoding::UTF16);
}

std::unique_ptr<RegEx> RegEx::create(const std::wstring& pattern, RegExOptions options, RegExEncoding encoding) {
    return std::unique_ptr<RegEx>(new RegEx(pattern.data(), pattern.size(), options, encoding));
}

re_pattern_buffer* RegEx::engineRegex() const {
    return m_compiled->m_regex;
}

bool RegEx::isCompiled() const {
    return m_compiled->m_regex != nullptr;
}

int RegEx::getCaptureCount() const {
    return m_compiled->m_regex ? onig_number_of_captures(m_compiled->m_regex) : 0;
}

const std::wstring& RegEx::getPattern() const {
    return m_compiled->m_pattern;
}

template <class Unit>
bool RegEx::rangeHolds(const Unit* text, const Unit* textEnd, const Unit* at) {
    // The engine trusts its pointers: a range that runs backwards (a scanner without text) or a
    // position outside it would be read out of bounds.
    return text && textEnd >= text && at >= text && at <= textEnd;
}

void RegEx::recordMatchResult(int result, MatchResultsRegEx* results) const {
    results->forgetCachedCounts();
    if (result >= 0)
        return;
    if (result != ONIG_MISMATCH) {
        m_last_error.store(result, std::memory_order_relaxed);
        results->m_status = result;
    }
    // After an error the region may hold a half-finished attempt: show no match.
    onig_region_clear(results->region());
}

static_assert(RegExOptions::NO_START_ANCHOR == ONIG_OPTION_NOT_BEGIN_POSITION, "the engine's option bit");

MatchResultsRegEx* RegEx::match(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd,
                                const wchar_t* at, uint32_t callOptions) const {
    results = freshResults(results);
    OnigRegex regex = m_compiled->m_regex;
    if (!regex || !rangeHolds(text, textEnd, at))
        return results;
    if (m_encoding == RegExEncoding::UTF8) {
        runConverted(results, text, textEnd, at, nullptr, callOptions);
        return results;
    }
    const RegExSubject subject(text, static_cast<size_t>(textEnd - text));
    const wchar_t* from = subject.begin();
    const OnigOptionType options = m_options | callOptions;
    const OnigUChar* end = bytes(subject.end());
    const OnigUChar* start = bytes(from + (at - text));
    OnigMatchParam* param = results->matchParam();
    const int result = param ? onig_match_with_param(regex, bytes(from), end, start, results->region(), options, param)
                             : onig_match(regex, bytes(from), end, start, results->region(), options);
    recordMatchResult(result, results);
    return results;
}

MatchResultsRegEx* RegEx::search(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd,
                                 const wchar_t* rangeStart, const wchar_t* rangeEnd, uint32_t callOptions) const {
    // A range that does not hold both ends searches no text and finds nothing.
    const bool holds = rangeHolds(text, textEnd, rangeStart) && rangeHolds(text, textEnd, rangeEnd);
    const RegExSubject subject(holds ? text : nullptr, holds ? static_cast<size_t>(textEnd - text) : 0);
    return search(results, subject, holds ? static_cast<size_t>(rangeStart - text) : 0,
                  holds ? static_cast<size_t>(rangeEnd - text) : 0, callOptions);
}

MatchResultsRegEx* RegEx::search(MatchResultsRegEx* results, const RegExSubject& subject, size_t rangeStart,
                                 size_t rangeEnd, uint32_t callOptions) const {
    results = freshResults(results);
    OnigRegex regex = m_compiled->m_regex;
    const wchar_t* text = subject.begin();
    const size_t length = static_cast<size_t>(subject.end() - text);
    if (!regex || !text || rangeStart > length || rangeEnd > length)
        return results;
    if (m_encoding == RegExEncoding::UTF8) {
        runConverted(results, text, subject.end(), text + rangeStart, text + rangeEnd, callOptions);
        return results;
    }
    const OnigOptionType options = m_options | callOptions;
    const OnigUChar* end = bytes(subject.end());
    const OnigUChar* start = bytes(text + rangeStart);
    const OnigUChar* range = bytes(text + rangeEnd);
    OnigMatchParam* param = results->matchParam();
    const int result =
        param ? onig_search_with_param(regex, bytes(text), end, start, range, results->region(), options, param)
              : onig_search(regex, bytes(text), end, start, range, results->region(), options);
    recordMatchResult(result, results);
    return results;
}

void RegEx::runConverted(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd, const wchar_t* at,
                         const wchar_t* rangeEnd, uint32_t callOptions) const {
    const Utf8Text converted(text, static_cast<size_t>(textEnd - text));
    const char* begin = converted.data();
    const char* from = begin + converted.byteOffset(static_cast<size_t>(at - text));
    if (rangeEnd)
        searchUtf8(results, begin, converted.end(), from, begin + converted.byteOffset(static_cast<size_t>(rangeEnd - text)),
                   callOptions);
    else
        matchUtf8(results, begin, converted.end(), from, callOptions);
    re_registers* region = results->region();
    for (int i = 0; i < region->num_regs; ++i) {
        if (region->beg[i] >= 0)
            region->beg[i] = static_cast<int>(converted.unitOffset(static_cast<size_t>(region->beg[i])));
        if (region->end[i] >= 0)
            region->end[i] = static_cast<int>(converted.unitOffset(static_cast<size_t>(region->end[i])));
    }
    results->m_unitShift = 0;
}

MatchResultsRegEx* RegEx::matchUtf8(MatchResultsRegEx* results, const char* text, const char* textEnd, const char* at,
                                    uint32_t callOptions) const {
    results = freshResults(results);
    results->m_unitShift = 0;
    OnigRegex regex = m_encoding == RegExEncoding::UTF8 ? m_compiled->m_regex : nullptr;
    if (!regex || !rangeHolds(text, textEnd, at))
        return results;
    const OnigOptionType options = m_options | callOptions;
    OnigMatchParam* param = results->matchParam();
    const int result =
        param ? onig_match_with_param(regex, bytes(text), bytes(textEnd), bytes(at), results->region(), options, param)
              : onig_match(regex, bytes(text), bytes(textEnd), bytes(at), results->region(), options);
    recordMatchResult(result, results);
    return results;
}

MatchResultsRegEx* RegEx::searchUtf8(MatchResultsRegEx* results, const char* text, const char* textEnd,
                                     const char* rangeStart, const char* rangeEnd, uint32_t callOptions) const {
    results = freshResults(results);
    results->m_unitShift = 0;
    OnigRegex regex = m_encoding == RegExEncoding::UTF8 ? m_compiled->m_regex : nullptr;
    if (!regex || !rangeHolds(text, textEnd, rangeStart) || !rangeHolds(text, textEnd, rangeEnd))
        return results;
    const OnigOptionType options = m_options | callOptions;
    OnigMatchParam* param = results->matchParam();
    int result = param ? onig_search_with_param(regex, bytes(text), bytes(textEnd), bytes(rangeStart), bytes(rangeEnd),
                                                results->region(), options, param)
                       : onig_search(regex, bytes(text), bytes(textEnd), bytes(rangeStart), bytes(rangeEnd),
                                     results->region(), options);
    // The engine can answer a forward search with a match that begins before the search's start
    // (a pattern anchored at the subject's end, `(?:\ ?B){2,}\z` searched from the second byte
    // of "BB"): no match of this search. The first place from the start where the pattern
    // matches is the answer then.
    if (result >= 0 && rangeStart <= rangeEnd && text + result < rangeStart) {
        result = ONIG_MISMATCH;
        for (const char* at = rangeStart; at <= rangeEnd;) {
            const int length = param ? onig_match_with_param(regex, bytes(text), bytes(textEnd), bytes(at),
                                                             results->region(), options, param)
                                     : onig_match(regex, bytes(text), bytes(textEnd), bytes(at), results->region(),
                                                  options);
            if (length != ONIG_MISMATCH) {
                result = length >= 0 ? static_cast<int>(at - text) : length;
                break;
            }
            if (at == textEnd)
                break;
            // On to the next character's first byte.
            do
                ++at;
            while (at < textEnd && (static_cast<unsigned char>(*at) & 0xC0) == 0x80);
        }
    }
    recordMatchResult(result, results);
    return results;
}

bool RegEx::parseOptions(const wchar_t* letters, RegExOptions* o_options) {
    PEL_CHECK_PTR(o_options);
    *o_options = RegExOptions();
    if (!letters)
        return true;
    for (const wchar_t* p = letters; *p; ++p) {
        switch (*p) {
        case L'i': o_options->options |= RegExOptions::IGNORE_CASE; break;
        case L'x': o_options->options |= RegExOptions::EXTENDED; break;
        case L'm': o_options->options |= RegExOptions::MULTILINE; break;
        case L'g': o_options->global = true; break;
        default: break;
        }
    }
    return true;
}

bool RegEx::getErrorInfo(RegExErrorInfo* o_error_info) const {
    PEL_CHECK_PTR(o_error_info);
    const int code = m_last_error.load(std::memory_order_relaxed);
    if (code == 0)
        return false;
    const RegExCompiled& compiled = *m_compiled;
    if (code == ERROR_PATTERN_TOO_LONG) {
        o_error_info->code = code;
        o_error_info->message = L"case-insensitive pattern longer than " +
                                std::to_wstring(REGEX_MAX_IGNORE_CASE_LENGTH) + L" characters";
        o_error_info->begin = o_error_info->end = 0;
        return true;
    }
    OnigUChar message[ONIG_MAX_ERROR_MESSAGE_LEN + 1] = {};
    OnigErrorInfo info = compiled.m_error_info;
    const size_t parBegin = info.par ? compiled.patternOffset(info.par) : 0;
    const size_t parEnd = info.par_end ? compiled.patternOffset(info.par_end) : parBegin;
    // The part of the pattern a message quotes is read from the UTF-16 pattern, so that both
    // encodings quote it alike (the UTF-8 one would copy its bytes as they are).
    OnigErrorInfo quoted = info;
    if (info.par && compiled.isUtf8()) {
        quoted.enc = ONIG_ENCODING_UTF16_LE;
        quoted.par = const_cast<OnigUChar*>(bytes(compiled.m_pattern.data() + parBegin));
        quoted.par_end = const_cast<OnigUChar*>(bytes(compiled.m_pattern.data() + parEnd));
    }
    const int length = onig_error_code_to_str(message, code, &quoted);
    o_error_info->code = code;
    o_error_info->message.clear();
    // The engine's messages are ASCII (it escapes pattern text it quotes); widen byte by byte.
    for (int i = 0; i < length && message[i]; ++i)
        o_error_info->message += static_cast<wchar_t>(message[i]);
    o_error_info->begin = 0;
    o_error_info->end = 0;
    if (info.par) {
        o_error_info->begin = static_cast<int>(parBegin);
        if (info.par_end)
            o_error_info->end = static_cast<int>(parEnd);
    }
    return true;
}

bool RegEx::fixHexEscapes(const std::wstring& pattern, std::wstring* o_fixed_re) {
    PEL_CHECK_PTR(o_fixed_re);
    const size_t length = pattern.size();
    std::wstring& out = *o_fixed_re;
    out.clear();
    out.reserve(length + 8);
    bool changed = false;
    size_t backslashes = 0; // run of backslashes just before i
    size_t i = 0;
    while (i < length) {
        const wchar_t c = pattern[i];
        // Only a backslash that is not itself escaped starts a byte escape.
        if (c == L'\\' && backslashes % 2 == 0 && i + 3 < length && pattern[i + 1] == L'x' &&
            isHexDigit(pattern[i + 2]) && isHexDigit(pattern[i + 3])) {
            out.append(L"\\x{").append(pattern, i + 2, 2).append(L"}");
            i += 4;
            backslashes = 0;
            changed = true;
            continue;
        }
        out += c;
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        ++i;
    }
    return changed;
}

bool RegEx::fixClassForms(const std::wstring& pattern, std::wstring* o_fixed_re) {
    PEL_CHECK_PTR(o_fixed_re);
    std::wstring& out = *o_fixed_re;
    out.clear();
    out.reserve(pattern.size() + 8);
    bool changed = false;
    int depth = 0; // of the classes open at i
    for (size_t i = 0; i < pattern.size();) {
        const wchar_t c = pattern[i];
        if (c == L'\\' && i + 1 < pattern.size()) {
            out.append(pattern, i, 2);
            i += 2;
            continue;
        }
        if (c == L'[' && depth > 0 && pattern.compare(i, 2, L"[:") == 0) {
            const size_t close = pattern.find(L":]", i + 2); // a POSIX bracket, "[:alpha:]"
            const size_t next = close == std::wstring::npos ? pattern.size() : close + 2;
            out.append(pattern, i, next - i);
            i = next;
            continue;
        }
        if (c == L'[') {
            size_t classLength = 0;
            long first = 0;
            if (depth > 0 && negatedRangeFromZeroAt(pattern, i, &classLength, &first)) {
                out += L'[' + braced(first) + L'-' + braced(MAX_CODE_POINT) + L']';
                i += classLength;
                changed = true;
                continue;
            }
            ++depth;
            out += c;
            ++i;
            // A "]" first in a class (after a "^") is a character of it.
            if (i < pattern.size() && pattern[i] == L'^')
                out += pattern[i++];
            if (i < pattern.size() && pattern[i] == L']')
                out += pattern[i++];
            continue;
        }
        if (c == L']' && depth > 0)
            --depth;
        out += c;
        ++i;
    }
    return changed;
}

} // namespace pel
