#include "pel/jasmine/JasmineLexer.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineSyntaxException.h"
#include "pel/stream/TextReader.h"
#include "pel/value/Value.h"

#include <cwchar>

namespace pel {

namespace {

bool isHexDigit(int c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isDigit(int c) { return c >= '0' && c <= '9'; }

TextPosition nextColumn(TextPosition at) {
    ++at.column;
    ++at.offset;
    return at;
}

bool isKeyword(const wchar_t* text, size_t length, const std::wstring& keyword) {
    return length == keyword.size() && std::wmemcmp(text, keyword.data(), length) == 0;
}

// A bare word that spells null, true or false is that keyword; any other stays a symbol (a
// word from the number path cannot spell one).
uint32_t keywordKind(const wchar_t* text, size_t length) {
    if (length < 4 || length > 5)
        return JasmineToken::KIND_SYMBOL;
    if (isKeyword(text, length, Value::NULL_TEXT))
        return JasmineToken::KIND_NULL;
    if (isKeyword(text, length, Value::TRUE_TEXT))
        return JasmineToken::KIND_TRUE;
    if (isKeyword(text, length, Value::FALSE_TEXT))
        return JasmineToken::KIND_FALSE;
    return JasmineToken::KIND_SYMBOL;
}

} // namespace

JasmineLexer::JasmineLexer(TextReader* reader) : m_reader(reader) { PEL_CHECK_PTR(reader); }

JasmineLexer::JasmineLexer(const wchar_t* text, size_t length) : m_cursor(text), m_end(text + length) {
    PEL_CHECK_PTR(text);
}

bool JasmineLexer::nextBlock() {
    m_buffer.append(m_tokenStart, m_cursor); // the token goes on in the next block
    skipConsumed();
    const wchar_t* units = nullptr;
    const int count = m_reader->peekUnits(&units);
    if (count <= 0) {
        m_block = m_tokenStart = m_cursor = m_end = nullptr;
        return false;
    }
    m_block = m_tokenStart = m_cursor = units;
    m_end = units + count;
    return true;
}

void JasmineLexer::skipConsumed() {
    if (m_cursor != m_block)
        m_reader->skip(static_cast<int>(m_cursor - m_block));
    m_block = m_tokenStart = m_cursor;
}

template <class Keep>
void JasmineLexer::consumeRun(Keep keep) {
    do {
        const wchar_t* const start = m_cursor;
        while (m_cursor != m_end && keep(*m_cursor))
            ++m_cursor;
        const uint32_t n = static_cast<uint32_t>(m_cursor - start);
        if (n == 0)
            continue;
        m_position.offset += n;
        if (m_afterCR) { // the first of them opens the line after a CR
            m_afterCR = false;
            ++m_position.line;
            m_position.column = n;
        } else {
            m_position.column += n;
        }
    } while (m_cursor == m_end && m_reader && nextBlock());
}

void JasmineLexer::nextToken(JasmineToken* o_token, bool skipTrivia) {
    PEL_CHECK_PTR(o_token);
    for (;;) {
        if (skipTrivia)
            skipWhitespace();
        lexToken(*o_token);
        if (!skipTrivia || !o_token->isTrivia())
            return;
    }
}

void JasmineLexer::consumeWhitespace() {
    do {
        while (m_cursor != m_end && *m_cursor < 33)
            advance(*m_cursor++);
    } while (m_cursor == m_end && m_reader && nextBlock());
}

void JasmineLexer::skipWhitespace() {
    if (m_stopped)
        return;
    const int c = peekChar();
    if (c <= 0 || c >= 33)
        return;
    m_tokenStart = m_cursor;
    consumeWhitespace();
    if (m_reader)
        skipConsumed();
    ++m_counter;
}

void JasmineLexer::lexToken(JasmineToken& token) {
    m_buffer.clear();
    m_tokenStart = m_cursor;
    const wchar_t* const start = m_cursor;
    const TextPosition begin = m_position;
    token.begin = begin;

    const int c = m_stopped ? -1 : peekChar();
    uint32_t kind;
    if (c <= 0) {
        m_stopped = m_stopped || c == 0;
        kind = JasmineToken::KIND_EOS;
    } else {
        switch (c) {
        case '"':
            lexDoubleQuoted(begin);
            kind = JasmineToken::KIND_DOUBLE_QUOTED;
            break;
        case '\'':
            lexSingleQuoted(begin);
            kind = JasmineToken::KIND_SINGLE_QUOTED;
            break;
        case ',': consume(); kind = JasmineToken::KIND_COMMA; break;
        case ':': consume(); kind = JasmineToken::KIND_COLON; break;
        case '{': consume(); kind = JasmineToken::KIND_BRACE_OPEN; break;
        case '}': consume(); kind = JasmineToken::KIND_BRACE_CLOSE; break;
        case '[': consume(); kind = JasmineToken::KIND_BRACKET_OPEN; break;
        case ']': consume(); kind = JasmineToken::KIND_BRACKET_CLOSE; break;
        case '/': {
            consume();
            const int second = peekChar();
            if (second < 0) {
                // A lone slash at the end: the slash is gone and the text is over.
                token.begin = m_position;
                kind = JasmineToken::KIND_EOS;
            } else if (second == '*') {
                lexBlockComment(begin);
                kind = JasmineToken::KIND_BLOCK_COMMENT;
            } else if (second == '/') {
                consume();
                consumeRun([](wchar_t n) { return n != '\r' && n != '\n'; });
                kind = JasmineToken::KIND_LINE_COMMENT;
            } else {
                lexRegExp(begin);
                kind = JasmineToken::KIND_REGEXP;
            }
            break;
        }
        default:
            if (c == '-' || isDigit(c)) {
                kind = lexNumber();
            } else if (c < 33) {
                consumeWhitespace();
                kind = JasmineToken::KIND_WHITESPACE;
            } else {
                lexWord(begin, c);
                kind = JasmineToken::KIND_SYMBOL;
            }
            break;
        }
    }

    token.kind = kind;
    token.end = m_position;
    if (m_reader) {
        const wchar_t* const blockPart = m_tokenStart;
        const wchar_t* const blockEnd = m_cursor;
        skipConsumed();
        if (m_buffer.empty() && blockPart) {
            token.text = blockPart; // the reader keeps showing its block until the next token
        } else {
            m_buffer.append(blockPart, blockEnd);
            token.text = m_buffer.c_str() + (m_buffer.size() - token.length());
        }
    } else {
        token.text = kind == JasmineToken::KIND_EOS ? m_cursor : start;
    }
    if (kind == JasmineToken::KIND_SYMBOL)
        token.kind = keywordKind(token.text, token.length());
    token.index = m_counter++;
}

uint32_t JasmineLexer::lexNumber() {
    bool valid = true;
    auto digits = [this] {
        const uint32_t before = m_position.offset;
        consumeRun([](wchar_t d) { return isDigit(d); });
        return m_position.offset != before;
    };
    if (peekChar() == '-')
        consume();
    valid = digits();
    if (valid && peekChar() == '.') {
        consume();
        valid = digits();
    }
    if (valid) {
        const int e = peekChar();
        if (e == 'e' || e == 'E') {
            consume();
            const int sign = peekChar();
            if (sign == '+' || sign == '-')
                consume();
            valid = digits();
        }
    }
    if (valid && !JasmineToken::isSymbolCharacter(peekChar()))
        return JasmineToken::KIND_NUMBER;
    // Not a number after all ("-", "1.", "12abc"): the whole run is a bare word.
    consumeSymbolCharacters();
    return JasmineToken::KIND_SYMBOL;
}

void JasmineLexer::consumeSymbolCharacters() {
    consumeRun([](wchar_t c) { return JasmineToken::isSymbolCharacter(c); });
}

void JasmineLexer::lexWord(const TextPosition& begin, int c) {
    if (!JasmineToken::isSymbolCharacter(c)) {
        std::wstring message = L"Invalid token `";
        message += static_cast<wchar_t>(c);
        message += L"`.";
        throw JasmineSyntaxException(message, begin, nextColumn(begin));
    }
    consumeSymbolCharacters();
}

void JasmineLexer::lexDoubleQuoted(const TextPosition& begin) {
    consume();
    for (;;) {
        consumeRun([](wchar_t c) { return c != '"' && c != '\\' && c != '\r' && c != '\n'; });
        const TextPosition at = m_position;
        const int c = peekChar();
        if (c < 0)
            throw JasmineSyntaxException(L"Unexpectedly terminated double-quoted string.", begin, begin);
        consume();
        if (c == '"')
            return;
        if (c != '\\')
            continue;
        const int letter = peekChar();
        if (letter < 0)
            throw JasmineSyntaxException(L"Unexpectedly terminated double-quoted string.", begin, begin);
        consume();
        switch (letter) {
        case '"':
        case '/':
        case '\\':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
        case 'v': break;
        case 'u':
            lexHexDigits(4, at, L"Too short escape sequence `\\uHHHH` in double-quoted string.",
                         L"Invalid character in escape sequence `\\uHHHH` in double-quoted string.");
            break;
        case 'x':
            lexHexDigits(2, at, L"Too short escape sequence `\\xHH` in double-quoted string.",
                         L"Invalid character in escape sequence `\\xHH` in double-quoted string.");
            break;
        default: {
            std::wstring message = L"Invalid escape sequence `\\";
            message += static_cast<wchar_t>(letter);
            message += L"` in double-quoted string.";
            throw JasmineSyntaxException(message, at, m_position);
        }
        }
    }
}

void JasmineLexer::lexHexDigits(int count, const TextPosition& escapeBegin, const wchar_t* tooShort,
                                const wchar_t* invalid) {
    for (int i = 0; i < count; ++i) {
        const int c = peekChar();
        if (c < 0)
            throw JasmineSyntaxException(tooShort, escapeBegin, m_position);
        if (!isHexDigit(c))
            throw JasmineSyntaxException(invalid, escapeBegin, m_position);
        consume();
    }
}

void JasmineLexer::lexSingleQuoted(const TextPosition& begin) {
    consume();
    for (;;) {
        consumeRun([](wchar_t c) { return c != '\'' && c != '\\' && c != '\r' && c != '\n'; });
        const int c = peekChar();
        if (c < 0)
            throw JasmineSyntaxException(L"Unexpectedly terminated single-quoted string.", begin, begin);
        consume();
        if (c == '\\') {
            consume(); // whatever follows belongs to the string
        } else if (c == '\'') {
            if (peekChar() != '\'')
                return;
            consume(); // '' stands for one quote
        }
    }
}

void JasmineLexer::lexRegExp(const TextPosition& begin) {
    for (;;) {
        const int c = peekChar();
        if (c < 0)
            throw JasmineSyntaxException(L"Unexpectedly terminated regular expression.", begin, begin);
        consume();
        if (c == '\\') {
            consume();
        } else if (c == '/') {
            consumeSymbolCharacters(); // the options
            return;
        }
    }
}

void JasmineLexer::lexBlockComment(const TextPosition& begin) {
    consume(); // the star after the slash
    for (;;) {
        const int c = peekChar();
        if (c < 0)
            throw JasmineSyntaxException(L"Unexpectedly terminated block comment.", begin, begin);
        consume();
        if (c == '*' && peekChar() == '/') {
            consume();
            return;
        }
    }
}

} // namespace pel
