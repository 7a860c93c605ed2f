#include "pel/jasmine/JasmineReaderHelper.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineLexer.h"
#include "pel/jasmine/JasmineParser.h"
#include "pel/jasmine/JasmineTokenStreams.h"
#include "pel/stream/TextReader.h"

namespace pel {

namespace {

Value* parseFrom(JasmineLexer& lexer) {
    JasmineLexerTokenStream stream(&lexer);
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
    JasmineStoreTokenStream stream(o_store);
    stream.next(true);
    return JasmineParser(stream).parseValue();
}

} // namespace pel
