#pragma once
// The parsing subsystem's pieces for the documents of a DocumentManager, handed to it by the
// application (TesselService::createDocumentManager): the parser client of its "parser" pool,
// the grammar rule-set holder, and each document's scope registry and theme styler.

#include "service/parser/base/ParserServices.h"

namespace tessel {

class DocumentParserServices : public ParserServices {
public:
    std::unique_ptr<ParserClient> createParserClient(BgScheduler& pool) override;
    std::unique_ptr<GrammarRuleSetHolder> createGrammarRuleSetHolder() override;
    std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& document) override;
    std::unique_ptr<DocumentStyler> createStyler(Document& document) override;
};

} // namespace tessel
