#include "service/parser/base/ScopeSelectorLexer.h"

#include "pel/base/Crc.h"

namespace tessel {

namespace {

bool isWhitespace(wchar_t c) { return c < 33; }

uint32_t operatorCode(wchar_t c) {
    switch (c) {
    case L'(': return SELECTOR_TOKEN_OPEN;
    case L')': return SELECTOR_TOKEN_CLOSE;
    case L',': return SELECTOR_TOKEN_COMMA;
    case L'&': return SELECTOR_TOKEN_AND;
    case L'|': return SELECTOR_TOKEN_OR;
    case L'-': return SELECTOR_TOKEN_MINUS;
    default: return SELECTOR_TOKEN_ERROR;
    }
}

} // namespace

bool ScopeSelectorLexer::isOperatorCharacter(wchar_t c) { return operatorCode(c) != SELECTOR_TOKEN_ERROR; }

void ScopeSelectorLexer::skipWhitespace() {
    while (m_at < m_length && isWhitespace(m_text[m_at]))
        ++m_at;
}

bool ScopeSelectorLexer::readName() {
    const size_t start = m_at;
    bool emptyPart = m_text[m_at] == L'.';
    uint32_t parts = 1;
    for (; m_at < m_length && !isWhitespace(m_text[m_at]) && !isOperatorCharacter(m_text[m_at]); ++m_at) {
        if (m_text[m_at] != L'.')
            continue;
        ++parts;
        const size_t next = m_at + 1;
        if (next == m_length || m_text[next] == L'.' || isWhitespace(m_text[next]) ||
            isOperatorCharacter(m_text[next]))
            emptyPart = true;
    }
    ScopeSelectorName name;
    name.hash = pel::crc32Chars(m_text + start, m_at - start);
    name.partCount = parts;
    m_names.push_back(name);
    return !emptyPart;
}

ScopeSelectorToken ScopeSelectorLexer::next() {
    ScopeSelectorToken token;
    skipWhitespace();
    token.start = token.end = static_cast<uint32_t>(m_at);
    if (m_at == m_length) {
        token.code = SELECTOR_TOKEN_END;
        return token;
    }
    const uint32_t code = operatorCode(m_text[m_at]);
    if (code != SELECTOR_TOKEN_ERROR) {
        token.code = code;
        token.end = static_cast<uint32_t>(++m_at);
        return token;
    }
    m_names.clear();
    for (;;) {
        const size_t nameStart = m_at;
        if (!readName()) {
            token.code = SELECTOR_TOKEN_ERROR;
            token.start = static_cast<uint32_t>(nameStart);
            token.end = static_cast<uint32_t>(m_at);
            return token;
        }
        token.end = static_cast<uint32_t>(m_at);
        skipWhitespace();
        if (m_at == m_length || isOperatorCharacter(m_text[m_at]))
            break;
    }
    token.code = SELECTOR_TOKEN_NAMES;
    return token;
}

} // namespace tessel
