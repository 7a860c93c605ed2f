#pragma once
// The two token streams the Jasmine parser reads: straight from a lexer, or from a token store
// that holds a whole document.

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TITokenStream.h"
#include "pel/jasmine/TTokenStore.h"

namespace pel {

class JasmineLexer;

class JasmineLexerTokenStream : public TITokenStream<JasmineToken> {
public:
    explicit JasmineLexerTokenStream(JasmineLexer* lexer);

    JasmineToken& next(bool skipTrivia) override;
    JasmineToken& current() override { return m_current; }

private:
    JasmineLexer* m_lexer;
    JasmineToken m_current;
};

class JasmineStoreTokenStream : public TITokenStream<JasmineToken> {
public:
    explicit JasmineStoreTokenStream(TTokenStore<JasmineToken>* store);

    // Changing the returned token changes the store's record.
    JasmineToken& next(bool skipTrivia) override;
    JasmineToken& current() override;

private:
    TTokenStore<JasmineToken>* m_store;
    xindex m_iterator = static_cast<xindex>(-1);
};

} // namespace pel
