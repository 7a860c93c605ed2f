// The value-tree text's tokens: what ValueNodeParser reads one at a time.

#include "service/base/ValueNodeParser.h"
#include "service/base/ValueNodeText.h"

namespace tessel {

using namespace value_node_text;

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

} // namespace

const wchar_t* ValueNodeParser::tokenName(int kind) {
    static const wchar_t* const NAMES[] = {
        L"end of stream",
        L"dictionary begin '{'",
        L"dictionary end '}'",
        L"array begin '['",
        L"array end ']'",
        L"double-quoted string",
        L"single-quoted string",
        L"plus operator (+)",
        L"plus-new-line operator (/)",
        L"regular expression",
        L"number",
        L"comment",
        L"dictionary key separator (:)",
        L"<UNKNOWN_TOKEN>",
        L"symbol (not quoted string)",
        L"<INVALID_TOKEN>",
    };
    return kind >= 0 && kind < static_cast<int>(sizeof NAMES / sizeof *NAMES) ? NAMES[kind] : L"<UNKNOWN_TOKEN>";
}

void ValueNodeParser::nextToken() {
    for (;;) {
        const wchar_t* p = m_current;
        while (p < m_end && isBlank(*p))
            ++p;
        m_token.begin = p;
        if (p == m_end || *p == L'\0') {
            m_token.kind = END_OF_STREAM;
            m_token.end = m_current = p;
            return;
        }
        const wchar_t c = *p++;
        int kind;
        switch (c) {
        case L'{':
            kind = DICTIONARY_BEGIN;
            break;
        case L'}':
            kind = DICTIONARY_END;
            break;
        case L'[':
        case L'(':
            kind = ARRAY_BEGIN;
            break;
        case L']':
        case L')':
            kind = ARRAY_END;
            break;
        case L':':
            kind = KEY_SEPARATOR;
            break;
        case L',':
            kind = COMMA;
            break;
        case L'"':
            kind = DOUBLE_QUOTED_STRING;
            p = scanQuoted(p, L'"', kind);
            break;
        case L'\'':
            kind = SINGLE_QUOTED_STRING;
            p = scanQuoted(p, L'\'', kind);
            break;
        case L'/':
            if (skipComment(p - 1))
                continue;
            kind = REGULAR_EXPRESSION;
            p = scanRegularExpression(p);
            break;
        default:
            if (c == L'-' && p < m_end && *p == L'-') {
                kind = SYMBOL;
                while (p < m_end && isSymbolUnit(*p))
                    ++p;
            } else if (c == L'-' || c == L'.' || isDigit(c)) {
                kind = NUMBER;
                while (p < m_end && continuesNumber(*p, p[-1]))
                    ++p;
            } else if (isSymbolStart(c)) {
                kind = SYMBOL;
                while (p < m_end && isSymbolUnit(*p))
                    ++p;
            } else {
                fail(L"Unexpected unknown token.", m_token.begin, p);
            }
            break;
        }
        m_token.kind = kind;
        m_token.end = m_current = p;
        return;
    }
}

bool ValueNodeParser::skipComment(const wchar_t* slash) {
    const wchar_t* p = slash + 1;
    if (p < m_end && *p == L'*') {
        for (p += 1; p + 1 < m_end; ++p)
            if (p[0] == L'*' && p[1] == L'/') {
                m_current = p + 2;
                return true;
            }
        fail(L"Unexpectedly terminated comment.", slash, m_end);
    }
    if (p < m_end && *p == L'/') {
        while (p < m_end && *p != L'\r' && *p != L'\n')
            ++p;
        m_current = p < m_end ? p + 1 : p;
        return true;
    }
    return false;
}

const wchar_t* ValueNodeParser::scanQuoted(const wchar_t* p, wchar_t quote, int kind) {
    for (; p < m_end; ++p) {
        if (*p == quote) {
            // In single quotes a doubled quote stands for one.
            if (quote == L'\'' && p + 1 < m_end && p[1] == L'\'') {
                ++p;
                continue;
            }
            return p + 1;
        }
        if (quote == L'"' && *p == L'\\' && p + 1 < m_end)
            ++p;
    }
    fail(std::wstring(L"Unexpectedly terminated ") + tokenName(kind) + L".", m_token.begin, m_end);
}

const wchar_t* ValueNodeParser::scanRegularExpression(const wchar_t* p) {
    for (; p < m_end && *p != L'/'; ++p)
        if (*p == L'\\' && p + 1 < m_end)
            ++p;
    if (p >= m_end)
        fail(L"Unexpectedly terminated regular expression.", m_token.begin, m_end);
    for (++p; p < m_end && isSymbolUnit(*p); ++p) {
    }
    return p;
}

} // namespace tessel
