#include "pel/jasmine/JasmineQuoting.h"

#include "pel/jasmine/JasmineToken.h"
#include "pel/text/DoubleText.h"
#include "pel/text/NumberText.h"
#include "pel/value/Value.h"

#include <cmath>
#include <cstring>

namespace pel {

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Characters that quoteString writes as an escape.
bool needsEscape(wchar_t c) { return c < 32 || c == L'"' || c == L'\\' || c == L'<' || c == L'>'; }

bool isKeyword(std::wstring_view text) {
    return text == Value::NULL_TEXT || text == Value::TRUE_TEXT || text == Value::FALSE_TEXT;
}

bool allSymbolCharacters(std::wstring_view text) {
    for (wchar_t c : text)
        if (!JasmineToken::isSymbolCharacter(c))
            return false;
    return true;
}

} // namespace

void quoteString(std::wstring_view text, std::wstring& out) {
    out += L'"';
    const wchar_t* run = text.data();
    const wchar_t* const end = run + text.size();
    for (const wchar_t* p = run; p != end; ++p) {
        const wchar_t c = *p;
        if (!needsEscape(c))
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case L'\b': out += L"\\b"; break;
        case L'\t': out += L"\\t"; break;
        case L'\n': out += L"\\n"; break;
        case L'\f': out += L"\\f"; break;
        case L'\r': out += L"\\r"; break;
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        default: {
            wchar_t digits[16];
            wchar_t* const digitsEnd = digits + 16;
            const wchar_t* first = formatDigits(c, digitsEnd, 16);
            out += L"\\u";
            out.append(4 - (digitsEnd - first), L'0');
            out.append(first, digitsEnd - first);
        }
        }
    }
    out.append(run, end - run);
    out += L'"';
}

bool quoteStringSingle(std::wstring_view text, std::wstring& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\')
            continue;
        if (i + 1 == text.size() || text[i + 1] == L'\'') {
            quoteString(text, out);
            return false;
        }
        ++i; // the reader keeps the pair as it is
    }
    out += L'\'';
    size_t run = 0;
    for (size_t quote = text.find(L'\''); quote != std::wstring_view::npos; quote = text.find(L'\'', quote + 1)) {
        out.append(text.data() + run, quote + 1 - run);
        out += L'\'';
        run = quote + 1;
    }
    out.append(text.data() + run, text.size() - run);
    out += L'\'';
    return true;
}

bool writeBareOrQuoted(std::wstring_view text, std::wstring& out) {
    if (!text.empty() && allSymbolCharacters(text) && !isKeyword(text)) {
        out.append(text.data(), text.size());
        return true;
    }
    quoteString(text, out);
    return false;
}

bool lexesAsNumber(std::wstring_view text) {
    size_t i = 0;
    const size_t n = text.size();
    auto digits = [&] {
        const size_t from = i;
        while (i < n && isDigit(text[i]))
            ++i;
        return i > from;
    };
    if (i < n && text[i] == L'-')
        ++i;
    if (!digits())
        return false;
    if (i < n && text[i] == L'.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        if (i < n && (text[i] == L'+' || text[i] == L'-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

void appendRegExpLiteral(std::wstring_view pattern, std::wstring_view options, std::wstring& out) {
    out += L'/';
    if (pattern.empty())
        out += L"(?:)";
    else if (pattern[0] == L'*')
        out += L'\\';
    const wchar_t* run = pattern.data();
    const wchar_t* const end = run + pattern.size();
    for (const wchar_t* p = run; p != end; ++p) {
        if (*p == L'\\') {
            if (p + 1 == end) {
                out.append(run, end - run);
                out += L'\\';
                run = end;
                break;
            }
            ++p; // an escape pair stays as it is
        } else if (*p == L'/') {
            out.append(run, p - run);
            out += L"\\/";
            run = p + 1;
        }
    }
    out.append(run, end - run);
    out += L'/';
    out.append(options.data(), options.size());
}

void appendDoubleText(double value, std::wstring& out) {
    if (!std::isfinite(value)) {
        out += Value::NULL_TEXT;
        return;
    }
    char buffer[32];
    const char* text = formatDoubleShortest(buffer, value);
    if (*text == '-') {
        out += L'-';
        ++text;
    }
    if (*text == '.')
        out += L'0';
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < length; ++i)
        out += static_cast<wchar_t>(text[i]);
    if (!std::strpbrk(text, ".eE"))
        out += L".0";
}

} // namespace pel
