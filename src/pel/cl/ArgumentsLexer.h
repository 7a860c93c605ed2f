#pragma once
// Splits command-line text into options, words and quoted strings.
//
// Quoted strings use one escape rule for reading and writing: backslashes are literal unless a
// run of them ends at a double quote; then 2n backslashes and the quote give n backslashes and
// end the string, and 2n+1 give n backslashes and a literal quote. So "C:\dir\\" is the folder
// C:\dir\ and "say \"hi\"" holds two quotes, while text without such runs reads as typed.

#include "pel/base/Exception.h"
#include "pel/text/search/StringScanner.h"

#include <string>

namespace pel {

class ArgumentsLexer {
public:
    enum TokenKind : int {
        TOKEN_END = 0,
        TOKEN_SHORT_OPTION = 1, // "-f" or "/f": the name after the dash or slash
        TOKEN_LONG_OPTION = 2,  // "--open-file": the name after the dashes
        TOKEN_WORD = 3,         // as typed, quotes and backslashes included
        TOKEN_STRING = 4,       // the text between the quotes, unescaped
    };

    struct Token {
        int kind = TOKEN_END;
        int start = 0; // character indexes into the text
        int end = 0;
        std::wstring text;
    };

    // The text ends at its first NUL, if any.
    explicit ArgumentsLexer(const std::wstring& text);
    ArgumentsLexer(const ArgumentsLexer&) = delete;
    ArgumentsLexer& operator=(const ArgumentsLexer&) = delete;

    // Reads the next token; at the end of the text every call gives TOKEN_END. A dash that starts
    // no option name and a string without its closing quote throw ParserException.
    void next(Token* o_token);

    // Appends the value as one argument that next() reads back unchanged: quoted when it holds
    // white space, a double quote or a character a shell or this lexer treats specially.
    // An empty value appends nothing.
    static void appendArgument(const std::wstring& value, std::wstring& out);

    // Column and offset at a character index of line 0.
    static TextPosition position(int index);

private:
    void readQuoted(Token* o_token);

    std::wstring m_text;
    StringScanner m_scanner;
};

} // namespace pel
