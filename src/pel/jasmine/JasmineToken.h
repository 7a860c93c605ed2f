#pragma once
// One token of Jasmine text: its kind, where it stands, and its exact characters, so that a
// document can be parsed and also reproduced token by token with comments and layout.

#include "pel/base/Exception.h"

#include <cstdint>

namespace pel {

struct JasmineToken {
    enum Kind : uint32_t {
        KIND_INVALID = 0,
        KIND_BRACE_OPEN = 1,
        KIND_BRACE_CLOSE = 2,
        KIND_BRACKET_OPEN = 3,
        KIND_BRACKET_CLOSE = 4,
        KIND_DOUBLE_QUOTED = 5,
        KIND_SINGLE_QUOTED = 6,
        KIND_SYMBOL = 7,
        KIND_NUMBER = 8,
        KIND_REGEXP = 9,
        KIND_TRUE = 10,
        KIND_FALSE = 11,
        KIND_NULL = 12,
        KIND_COMMA = 13,
        KIND_COLON = 14,
        KIND_LINE_COMMENT = 15,
        KIND_BLOCK_COMMENT = 16,
        KIND_WHITESPACE = 17,
        KIND_EOS = 18,
    };

    uint32_t kind = KIND_INVALID;
    TextPosition begin; // the first character
    TextPosition end;   // just after the last character
    // The characters (length() of them): in the lexer's buffer until the next token is read,
    // or in the token store that holds the token.
    const wchar_t* text = nullptr;
    // Serial number from the lexer: 0 for the first token, trivia included.
    uint32_t index = 0;

    uint32_t length() const { return end.offset - begin.offset; }
    // Comments and whitespace.
    bool isTrivia() const { return kind >= KIND_LINE_COMMENT && kind <= KIND_WHITESPACE; }

    // The name that messages show for a kind; empty for an unknown kind.
    static const wchar_t* kindName(uint32_t kind);
    // A-Z, a-z, 0-9, '_', '-' and '.': the characters of bare words and bare keys.
    static bool isSymbolCharacter(int c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.';
    }
};

} // namespace pel
