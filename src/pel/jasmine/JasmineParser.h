#pragma once
// Builds a value tree from Jasmine tokens by recursive descent, recording in every value the
// tokens and positions it came from. Nesting is bounded so that hostile input cannot exhaust
// the stack.

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TITokenStream.h"

#include <string>
#include <vector>

namespace pel {

class Value;

class JasmineParser {
public:
    // Lists and dictionaries nest at most this deep; a deeper bracket is a syntax error.
    static constexpr int MAX_DEPTH = 512;

    explicit JasmineParser(TITokenStream<JasmineToken>& stream) : m_stream(stream) {}

    // The stream's current token must be the value's first token. Returns the new value
    // (the caller owns it) and leaves the stream on the value's last token.
    Value* parseValue() { return parseValue(0); }

    // The text of a double-quoted token without its quotes, escapes decoded ("\u0041" and
    // "\x41" give one unit each; surrogates are not combined). The token must be well-formed.
    static void decodeDoubleQuoted(const wchar_t* text, size_t length, std::wstring& out);
    // The text of a single-quoted token: '' and \' give ', any other backslash pair stays.
    static void decodeSingleQuoted(const wchar_t* text, size_t length, std::wstring& out);
    // A regular-expression literal: the pattern with its escapes as written, and the options.
    static void decodeRegExp(const wchar_t* text, size_t length, std::wstring& pattern, std::wstring& options);

private:
    Value* parseValue(int depth);
    Value* parseDictionary(int depth);
    Value* parseList(int depth);
    Value* parseNumber(const JasmineToken& token);

    TITokenStream<JasmineToken>& m_stream;
    // The elements of the lists being read, innermost last: a list is made at its closing
    // bracket with room for exactly its elements.
    std::vector<Value*> m_elements;
    // The member count of the last dictionary read at each depth: a dictionary is most often
    // like the one before it at its depth (the records of a list), so it reserves as many.
    std::vector<size_t> m_lastMembers;
};

} // namespace pel
