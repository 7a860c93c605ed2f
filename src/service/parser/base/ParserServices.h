#pragma once
// The parsing subsystem's pieces that a DocumentManager makes: the parser client of its "parser"
// pool, the grammar rule-set holder, and each document's scope registry and styler. The parsing
// subsystem lies above the document engine, so it hands these in by deriving from this class;
// the defaults here stand in until it does: nothing is parsed, no grammar is ever available, and
// documents keep the root scope "none".

#include <memory>

namespace tessel {

class BgScheduler;
class Document;
class DocumentScopeRegistry;
class DocumentStyler;
class GrammarRuleSetHolder;
class ParserClient;

class ParserServices {
public:
    virtual ~ParserServices() = default;

    // The client whose jobs run on the pool (which it outlives).
    virtual std::unique_ptr<ParserClient> createParserClient(BgScheduler& pool);
    virtual std::unique_ptr<GrammarRuleSetHolder> createGrammarRuleSetHolder();
    virtual std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& document);
    virtual std::unique_ptr<DocumentStyler> createStyler(Document& document);
};

} // namespace tessel
