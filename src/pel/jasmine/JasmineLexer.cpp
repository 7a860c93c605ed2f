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

} // namespace

JasmineLexer::JasmineLexer(TextReader* reader) : m_reader(reader) { PEL_CHECK_PTR(reader); }

JasmineLexer::JasmineLexer(const wchar_t* text, size_t length) : m_cursor(text), m_end(text + length) {
    PEL_CHECK_PTR(text);
}

int JasmineLexer::readerPeek() { return m_reader->peek(); }

void JasmineLexer::readerConsume() {
    const int c = m_reader->read();
    if (c < 0)
        return;
    m_buffer.push_back(static_cast<wchar_t>(c));
    advance(static_cast<unsigned>(c));
}

void JasmineLexer::nextToken(JasmineToken* o_token) {
    PEL_CHECK_PTR(o_token);
    JasmineToken& token = *o_token;
    m_buffer.clear();
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
                for (int n = peekChar(); n >= 0 && n != '\r' && n != '\n'; n = peekChar())
                    consume();
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
                do
                    consume();
                while (static_cast<unsigned>(peekChar()) < 33u); // -1 (the end) compares large
                kind = JasmineToken::KIND_WHITESPACE;
            } else {
                kind = lexWord(begin, c);
            }
            break;
        }
    }

    token.kind = kind;
    token.end = m_position;
    if (m_reader)
        token.text = m_buffer.c_str() + (m_buffer.size() - token.length());
    else
        token.text = kind == JasmineToken::KIND_EOS ? m_cursor : start;
    token.index = m_counter++;
}

uint32_t JasmineLexer::lexNumber() {
    bool valid = true;
    auto digits = [this] {
        bool any = false;
        while (isDigit(peekChar())) {
            consume();
            any = true;
        }
        return any;
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
    while (JasmineToken::isSymbolCharacter(peekChar()))
        consume();
}

uint32_t JasmineLexer::lexWord(const TextPosition& begin, int c) {
    if (!JasmineToken::isSymbolCharacter(c)) {
        std::wstring message = L"Invalid token `";
        message += static_cast<wchar_t>(c);
        message += L"`.";
        throw JasmineSyntaxException(message, begin, nextColumn(begin));
    }
    const wchar_t* start = m_cursor;
    consumeSymbolCharacters();
    const size_t length = m_position.offset - begin.offset;
    const wchar_t* text = m_reader ? m_buffer.data() : start;
    if (isKeyword(text, length, Value::NULL_TEXT))
        return JasmineToken::KIND_NULL;
    if (isKeyword(text, length, Value::TRUE_TEXT))
        return JasmineToken::KIND_TRUE;
    if (isKeyword(text, length, Value::FALSE_TEXT))
        return JasmineToken::KIND_FALSE;
    return JasmineToken::KIND_SYMBOL;
}

void JasmineLexer::lexDoubleQuoted(const TextPosition& begin) {
    consume();
    for (;;) {
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
