#include "service/parser/base/ParserServices.h"

#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "service/parser/base/ParserClient.h"

namespace tessel {

std::unique_ptr<ParserClient> ParserServices::createParserClient(BgScheduler&) {
    return std::make_unique<NullParserClient>();
}

std::unique_ptr<GrammarRuleSetHolder> ParserServices::createGrammarRuleSetHolder() {
    return std::make_unique<NullGrammarRuleSetHolder>();
}

std::unique_ptr<DocumentScopeRegistry> ParserServices::createScopeRegistry(Document&) {
    return std::make_unique<NullScopeRegistry>();
}

std::unique_ptr<DocumentStyler> ParserServices::createStyler(Document&) { return std::make_unique<NullDocumentStyler>(); }

} // namespace tessel
