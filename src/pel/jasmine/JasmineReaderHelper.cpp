#include "pel/jasmine/JasmineReaderHelper.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineLexer.h"
#include "pel/jasmine/JasmineParser.h"
#include "pel/jasmine/JasmineTokenStreams.h"
#include "pel/stream/TextReader.h"
#include "pel/thread/ThreadCache.h"
#include "pel/value/Value.h"

#include <vector>

namespace pel {

namespace {

Value* parseFrom(JasmineLexer& lexer) {
    JasmineLexerTokenStream stream(&lexer);
    stream.next(true);
    return JasmineParser(stream).parseValue();
}

Value* parseFromStore(TTokenStore<JasmineToken>* store) {
    JasmineStoreTokenStream stream(store);
    stream.next(true);
    return JasmineParser(stream).parseValue();
}

} // namespace

Value* JasmineReaderHelper::read(TextReader* reader) {
    PEL_CHECK_PTR(reader);
    JasmineLexer lexer(reader);
    return parseFrom(lexer);
}

Value* JasmineReaderHelper::read(const std::wstring& text) {
    JasmineLexer lexer(text.c_str(), text.size());
    return parseFrom(lexer);
}

Value* JasmineReaderHelper::readToStore(TextReader* reader, TTokenStore<JasmineToken>* o_store) {
    PEL_CHECK_PTR(reader);
    PEL_CHECK_PTR(o_store);
    o_store->clear();
    JasmineLexer lexer(reader);
    JasmineLexerTokenStream tokens(&lexer);
    for (;;) {
        const JasmineToken& token = tokens.next(false);
        o_store->addToken(token);
        if (token.kind == JasmineToken::KIND_EOS)
            break;
    }
    return parseFromStore(o_store);
}

Value* JasmineReaderHelper::readToStore(const std::wstring& text, TTokenStore<JasmineToken>* o_store) {
    PEL_CHECK_PTR(o_store);
    o_store->clear();
    // The tokens point into the text until the store takes them all at once, copying the text
    // once: a kept store then holds no more memory than its document needs. Until then they
    // wait in a list of the thread's own, whose room serves document after document: a large
    // block found anew in the heap for each costs more than lexing it. Room grown for an
    // unusually large document is let go.
    static constexpr size_t KEPT_TOKENS = 16384;
    std::vector<JasmineToken>& tokens = ThreadCache<std::vector<JasmineToken>>::get();
    tokens.clear(); // what a lexing error left
    tokens.reserve(text.size() / 6 + 8); // a token every few characters, as documents go
    JasmineLexer lexer(text.c_str(), text.size());
    do {
        tokens.emplace_back();
        lexer.nextToken(&tokens.back());
    } while (tokens.back().kind != JasmineToken::KIND_EOS);
    o_store->assign(text.c_str(), text.size(), tokens.data(), tokens.size());
    tokens.clear();
    if (tokens.capacity() > KEPT_TOKENS)
        std::vector<JasmineToken>().swap(tokens);
    return parseFromStore(o_store);
}

const JasmineToken* JasmineReaderHelper::firstUnreadToken(const Value& value, const TTokenStore<JasmineToken>& store) {
    if (!value.range.hasRange)
        return nullptr;
    for (uint32_t i = value.range.endToken + 1; i < store.size(); ++i) {
        const JasmineToken& token = store.at(i);
        if (token.kind == JasmineToken::KIND_EOS)
            return nullptr;
        if (!token.isTrivia())
            return &token;
    }
    return nullptr;
}

} // namespace pel
