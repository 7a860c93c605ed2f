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
    // Reads the reader from its current place; the reader is left right after the last token
    // read (what was only looked at stays unread).
    explicit JasmineLexer(TextReader* reader);
    // Lexes characters in memory directly, as a reader over them would deliver them; the
    // tokens then point into the text, which must outlive them.
    JasmineLexer(const wchar_t* text, size_t length);
    JasmineLexer(const JasmineLexer&) = delete;
    JasmineLexer& operator=(const JasmineLexer&) = delete;

    // Reads one token. Its text stays valid until the next call. At the end (or at a NUL
    // where a token begins) every call gives an end-of-stream token. With skipTrivia, comments
    // and whitespace are passed over (their tokens still count in the indexes).
    void nextToken(JasmineToken* o_token, bool skipTrivia = false);

    const TextPosition& position() const { return m_position; }

private:
    // The characters seen and not yet consumed are [m_cursor, m_end): the rest of the text, or
    // what the reader shows of it (its buffer) from m_block on, of which the part before
    // m_cursor is consumed but not yet skipped in the reader.
    bool available() { return m_cursor != m_end || (m_reader && nextBlock()); }
    int peekChar() { return available() ? *m_cursor : -1; }
    // Takes one character into the token (nothing at the end).
    void consume() {
        if (available())
            advance(*m_cursor++);
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
    // Consumes characters while `keep` holds for them; none of them may be CR or LF.
    template <class Keep>
    void consumeRun(Keep keep);
    // Reading from a reader: keeps the token's characters of the block, hands the block back
    // and shows the next one; false at the end of the text.
    bool nextBlock();
    // Reading from a reader: the reader skips what was consumed of its block.
    void skipConsumed();
    void lexToken(JasmineToken& token);
    // Consumes a run of white space where a token begins, counting it as the token it would be.
    void skipWhitespace();
    void consumeWhitespace();

    uint32_t lexNumber();
    void lexDoubleQuoted(const TextPosition& begin);
    void lexHexDigits(int count, const TextPosition& escapeBegin, const wchar_t* tooShort, const wchar_t* invalid);
    void lexSingleQuoted(const TextPosition& begin);
    void lexRegExp(const TextPosition& begin);
    void lexBlockComment(const TextPosition& begin);
    void lexWord(const TextPosition& begin, int c);
    void consumeSymbolCharacters();

    TextReader* m_reader = nullptr;
    const wchar_t* m_cursor = nullptr;
    const wchar_t* m_end = nullptr;
    // Reading from a reader: where the block shown began, and where the current token's part of
    // it begins.
    const wchar_t* m_block = nullptr;
    const wchar_t* m_tokenStart = nullptr;
    // The characters of a token that runs over the end of a block the reader showed (a token
    // inside one block points into it); its room is kept.
    std::wstring m_buffer;
    uint32_t m_counter = 0;
    bool m_afterCR = false;
    // A NUL stood where a token begins: the text ends there.
    bool m_stopped = false;
    TextPosition m_position;
};

} // namespace pel
