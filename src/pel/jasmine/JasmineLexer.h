#pragma once
// Turns Jasmine text into tokens that keep their exact characters and positions. Jasmine is
// JSON with line and block comments, single-quoted strings, bare words, regular-expression
// literals and optional commas. Lexing errors throw JasmineSyntaxException.

#include "pel/jasmine/JasmineToken.h"

#include <cstddef>
#include <string>

namespace pel {

class TextReader;

class JasmineLexer {
public:
    // Reads the reader from its current place through peek() and read() only.
    explicit JasmineLexer(TextReader* reader);
    // Lexes characters in memory directly, as a reader over them would deliver them; the
    // tokens then point into the text, which must outlive them.
    JasmineLexer(const wchar_t* text, size_t length);
    JasmineLexer(const JasmineLexer&) = delete;
    JasmineLexer& operator=(const JasmineLexer&) = delete;

    // Reads one token. Its text stays valid until the next call. At the end (or at a NUL
    // where a token begins) every call gives an end-of-stream token.
    void nextToken(JasmineToken* o_token);

    const TextPosition& position() const { return m_position; }

private:
    int peekChar() {
        if (m_cursor != m_end)
            return *m_cursor;
        return m_reader ? readerPeek() : -1;
    }
    // Takes one character into the token (nothing at the end).
    void consume() {
        if (m_cursor != m_end)
            advance(*m_cursor++);
        else if (m_reader)
            readerConsume();
    }
    void advance(unsigned c) {
        ++m_position.offset;
        ++m_position.column;
        if (m_afterCR) {
            m_afterCR = false;
            if (c != L'\n') {
                // The CR before ended a line; this character opens the next one.
                ++m_position.line;
                m_position.column = 1;
            }
        }
        if (c == L'\n') {
            ++m_position.line;
            m_position.column = 0;
        } else if (c == L'\r') {
            m_afterCR = true;
        }
    }
    int readerPeek();
    void readerConsume();

    uint32_t lexNumber();
    void lexDoubleQuoted(const TextPosition& begin);
    void lexHexDigits(int count, const TextPosition& escapeBegin, const wchar_t* tooShort, const wchar_t* invalid);
    void lexSingleQuoted(const TextPosition& begin);
    void lexRegExp(const TextPosition& begin);
    void lexBlockComment(const TextPosition& begin);
    uint32_t lexWord(const TextPosition& begin, int c);
    void consumeSymbolCharacters();

    TextReader* m_reader = nullptr;
    // Direct lexing: the characters not yet consumed. Both null when reading from a reader.
    const wchar_t* m_cursor = nullptr;
    const wchar_t* m_end = nullptr;
    // The characters of the current token when reading from a reader.
    std::wstring m_buffer;
    uint32_t m_counter = 0;
    bool m_afterCR = false;
    // A NUL stood where a token begins: the text ends there.
    bool m_stopped = false;
    TextPosition m_position;
};

} // namespace pel
