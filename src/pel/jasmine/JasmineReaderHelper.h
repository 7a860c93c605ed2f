#pragma once
// Reads one Jasmine or JSON value: from a text reader, from a wide string, or into a token
// store as well, so that the document can later be rewritten token by token. Text after the
// value is not read. Syntax errors throw JasmineSyntaxException.

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <string>

namespace pel {

class TextReader;
class Value;

class JasmineReaderHelper {
public:
    // The new value, owned by the caller.
    static Value* read(TextReader* reader);
    static Value* read(const std::wstring& text);
    // Fills o_store with every token of the text, up to and including the end of stream (the
    // store is emptied first), and parses from it: the token indexes in the values are
    // indexes into the store.
    static Value* readToStore(TextReader* reader, TTokenStore<JasmineToken>* o_store);
    // The same over the characters of text, which the store takes in one block of just the
    // size its tokens need.
    static Value* readToStore(const std::wstring& text, TTokenStore<JasmineToken>* o_store);
    // The first token after the value that is neither trivia nor the end of the stream: text
    // the reader left unread. Null when there is none. The value must come from the store.
    static const JasmineToken* firstUnreadToken(const Value& value, const TTokenStore<JasmineToken>& store);
};

} // namespace pel
