#include "service/parser/DocumentParserServices.h"

#include "service/parser/DocumentParserClient.h"
#include "service/parser/RuleSetHolder.h"
#include "service/parser/ScopeRegistry.h"
#include "service/parser/ThemeStyler.h"

namespace tessel {

std::unique_ptr<ParserClient> DocumentParserServices::createParserClient(BgScheduler& pool) {
    return std::make_unique<DocumentParserClient>(pool);
}

std::unique_ptr<GrammarRuleSetHolder> DocumentParserServices::createGrammarRuleSetHolder() {
    return tessel::createGrammarRuleSetHolder();
}

std::unique_ptr<DocumentScopeRegistry> DocumentParserServices::createScopeRegistry(Document& document) {
    return std::make_unique<ScopeRegistry>(document);
}

std::unique_ptr<DocumentStyler> DocumentParserServices::createStyler(Document&) {
    return std::make_unique<ThemeStyler>();
}

} // namespace tessel
