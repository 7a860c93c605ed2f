#pragma once
// Lexes and parses test texts both ways the library can: straight from the characters in
// memory and through a text reader over them.

#include "pel/jasmine/JasmineLexer.h"
#include "pel/jasmine/JasmineSyntaxException.h"
#include "pel/stream/WideStringTextReader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tessel_test {

struct LexedToken {
    uint32_t kind;
    pel::TextPosition begin;
    pel::TextPosition end;
    std::wstring text;
    uint32_t index;
};

inline std::vector<LexedToken> lexAll(const std::wstring& text, bool throughReader) {
    pel::WideStringTextReader reader(text);
    pel::JasmineLexer lexer = throughReader ? pel::JasmineLexer(&reader) : pel::JasmineLexer(text.c_str(), text.size());
    std::vector<LexedToken> tokens;
    pel::JasmineToken token;
    do {
        lexer.nextToken(&token);
        tokens.push_back({token.kind, token.begin, token.end, std::wstring(token.text, token.length()), token.index});
    } while (token.kind != pel::JasmineToken::KIND_EOS);
    return tokens;
}

// The syntax error lexing text gives; both ways must agree.
inline pel::JasmineSyntaxException lexError(const std::wstring& text) {
    pel::JasmineSyntaxException errors[2] = {{L"", {}, {}}, {L"", {}, {}}};
    for (int way = 0; way < 2; ++way) {
        try {
            lexAll(text, way == 1);
            ADD_FAILURE() << "no error";
        } catch (const pel::JasmineSyntaxException& e) {
            errors[way] = e;
        }
    }
    EXPECT_EQ(errors[0].message, errors[1].message);
    EXPECT_EQ(errors[0].start.offset, errors[1].start.offset);
    EXPECT_EQ(errors[0].end.offset, errors[1].end.offset);
    return errors[0];
}

} // namespace tessel_test

namespace pel {

inline bool operator==(const TextPosition& a, const TextPosition& b) {
    return a.line == b.line && a.column == b.column && a.offset == b.offset;
}

inline std::ostream& operator<<(std::ostream& out, const TextPosition& p) {
    return out << p.line << '/' << p.column << '/' << p.offset;
}

} // namespace pel
