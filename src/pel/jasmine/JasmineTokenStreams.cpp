#include "pel/jasmine/JasmineTokenStreams.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineLexer.h"

namespace pel {

JasmineLexerTokenStream::JasmineLexerTokenStream(JasmineLexer* lexer) : m_lexer(lexer) { PEL_CHECK_PTR(lexer); }

JasmineToken& JasmineLexerTokenStream::next(bool skipTrivia) {
    m_lexer->nextToken(&m_current, skipTrivia);
    return m_current;
}

JasmineStoreTokenStream::JasmineStoreTokenStream(TTokenStore<JasmineToken>* store) : m_store(store) {
    PEL_CHECK_PTR(store);
}

JasmineToken& JasmineStoreTokenStream::next(bool skipTrivia) {
    for (;;) {
        JasmineToken& token = m_store->at(++m_iterator);
        if (!skipTrivia || !token.isTrivia())
            return token;
    }
}

JasmineToken& JasmineStoreTokenStream::current() {
    PEL_ASSERT(m_iterator != (xindex)-1);
    return m_store->at(m_iterator);
}

} // namespace pel
